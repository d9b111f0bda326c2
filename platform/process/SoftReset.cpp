#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sstream>
#include <string_view>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include "ProcessTable.h"
#include "RunFiles.h"
#include "platform/Device.h"
#include "platform/WindowDirectory.h"
#include "platform/kernel.h"

namespace {

using platform::ProcessTable;
using platform::RunFiles;
using platform::WindowDirectory;

// Process identifiers with the start time each entry records for it.
using Processes = std::set<std::pair<DWORD, unsigned long long>>;

bool IsDigits(std::string_view text) {
    return !text.empty() && text.size() <= 10 &&
           text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool IsHandleName(std::string_view text) {
    return text.size() == 8 && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// A file being written aside: <stem>.<pid>.new.
template <class Stem> bool IsPartial(std::string_view name, Stem isStem) {
    constexpr std::string_view suffix = ".new";
    if (!name.ends_with(suffix)) {
        return false;
    }
    name.remove_suffix(suffix.size());
    const std::size_t dot = name.rfind('.');
    return dot != std::string_view::npos && IsDigits(name.substr(dot + 1)) &&
           isStem(name.substr(0, dot));
}

// The programs the device's shell started: run/processes/<pid> records the start time, so a
// record left by a process that ended long ago never names the process that now has its
// identifier.
void AddRecordedProcesses(Processes& processes) {
    const std::optional<std::string> folder = RunFiles::Folder("processes");
    DIR* listing = folder ? opendir(folder->c_str()) : nullptr;
    if (!listing) {
        return;
    }
    while (const dirent* item = readdir(listing)) {
        if (!IsDigits(item->d_name)) {
            continue;
        }
        const std::optional<std::string> record =
            RunFiles::Read(*folder + "/" + item->d_name, 8192);
        std::istringstream in(record.value_or(std::string()));
        unsigned long long startTime = 0;
        if (in >> startTime) {
            processes.emplace(static_cast<DWORD>(std::stoul(item->d_name)), startTime);
        }
    }
    closedir(listing);
}

void AddWindowProcesses(Processes& processes) {
    for (const WindowDirectory::Entry& entry : WindowDirectory::List()) {
        processes.emplace(entry.processId, entry.startTime);
    }
}

// Entries name any process; only one shown to be the device's is ended. The process is held by
// a descriptor before it is examined, so the signal reaches the process examined and never one
// that has taken over its identifier since.
void End(DWORD processId, unsigned long long startTime) {
    const int process = static_cast<int>(syscall(SYS_pidfd_open, processId, 0));
    if (process < 0) {
        return;
    }
    if (ProcessTable::IsDeviceProcess(processId, startTime)) {
        syscall(SYS_pidfd_send_signal, process, SIGKILL, nullptr, 0);
    }
    close(process);
}

// Removes, in the folder name of the run directory (never through a link), the files whose
// names the device gives its entries there, then the folder when nothing else is left in it.
template <class Known> void ClearFolder(int run, const char* name, Known isKnown) {
    const int fd = openat(run, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* listing = fd < 0 ? nullptr : fdopendir(fd);
    if (!listing) {
        if (fd >= 0) {
            close(fd);
        }
        return;
    }
    while (const dirent* item = readdir(listing)) {
        if (isKnown(std::string_view(item->d_name))) {
            unlinkat(fd, item->d_name, 0);
        }
    }
    closedir(listing);
    unlinkat(run, name, AT_REMOVEDIR);
}

// What the device keeps in run/: the window directory and its counter and front window, the
// process table, the playing players, the named objects, each process's socket and the input
// journal. Anything else there is not the device's and stays, and a run/ that is a link is not
// entered.
void ClearRunDirectory() {
    const int run = open(platform::Device::RunDirectory().c_str(),
                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (run < 0) {
        return;
    }
    ClearFolder(run, "windows", [](std::string_view name) {
        return IsHandleName(name) || IsPartial(name, IsHandleName);
    });
    ClearFolder(run, "processes",
                [](std::string_view name) { return IsDigits(name) || IsPartial(name, IsDigits); });
    ClearFolder(run, "playback",
                [](std::string_view name) { return IsDigits(name) || IsPartial(name, IsDigits); });
    ClearFolder(run, "mutexes", [](std::string_view name) { return name.ends_with(".lock"); });
    const int fd = dup(run);
    DIR* listing = fd < 0 ? nullptr : fdopendir(fd);
    if (listing) {
        const auto isForeground = [](std::string_view stem) { return stem == "foreground-window"; };
        while (const dirent* item = readdir(listing)) {
            const std::string_view name = item->d_name;
            const bool socket = name.starts_with("proc-") && name.ends_with(".sock") &&
                                IsDigits(name.substr(5, name.size() - 10));
            if (socket || name == "window-counter" || name == "foreground-window" ||
                name == "input.log" || IsPartial(name, isForeground)) {
                unlinkat(run, item->d_name, 0);
            }
        }
        closedir(listing);
    } else if (fd >= 0) {
        close(fd);
    }
    close(run);
}

} // namespace

BOOL KernelIoControl(DWORD ioControlCode, LPVOID, DWORD, LPVOID, DWORD, LPDWORD) {
    if (ioControlCode != IOCTL_HAL_REBOOT) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Processes processes;
    AddRecordedProcesses(processes);
    AddWindowProcesses(processes);
    for (const auto& [processId, startTime] : processes) {
        End(processId, startTime);
    }
    ClearRunDirectory();
    return TRUE;
}
