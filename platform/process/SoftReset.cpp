#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <string_view>
#include <sys/types.h>
#include <unistd.h>

#include "ProcessTable.h"
#include "platform/Device.h"
#include "platform/WindowDirectory.h"
#include "platform/kernel.h"

namespace {

using platform::ProcessTable;
using platform::WindowDirectory;

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
    return dot != std::string_view::npos && ProcessTable::IsProcessId(name.substr(dot + 1)) &&
           isStem(name.substr(0, dot));
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
    const auto isProcessEntry = [](std::string_view name) {
        return ProcessTable::IsProcessId(name) || IsPartial(name, ProcessTable::IsProcessId);
    };
    ClearFolder(run, "processes", isProcessEntry);
    ClearFolder(run, "playback", isProcessEntry);
    ClearFolder(run, "mutexes", [](std::string_view name) { return name.ends_with(".lock"); });
    const int fd = dup(run);
    DIR* listing = fd < 0 ? nullptr : fdopendir(fd);
    if (listing) {
        const auto isForeground = [](std::string_view stem) { return stem == "foreground-window"; };
        while (const dirent* item = readdir(listing)) {
            const std::string_view name = item->d_name;
            const bool socket = name.starts_with("proc-") && name.ends_with(".sock") &&
                                ProcessTable::IsProcessId(name.substr(5, name.size() - 10));
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
    // The programs the device's shell started, and those with windows. Each is ended only when
    // it is shown to be the device's: an entry may name any process.
    const std::vector<ProcessTable::Entry> recorded = ProcessTable::Entries("processes");
    std::set<ProcessTable::Entry> processes(recorded.begin(), recorded.end());
    for (const WindowDirectory::Entry& entry : WindowDirectory::List()) {
        processes.emplace(entry.processId, entry.startTime);
    }
    for (const ProcessTable::Entry& process : processes) {
        if (const int descriptor = ProcessTable::Signal(process, SIGKILL); descriptor >= 0) {
            close(descriptor);
        }
    }
    ClearRunDirectory();
    return TRUE;
}
