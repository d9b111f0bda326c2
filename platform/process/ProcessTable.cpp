#include "ProcessTable.h"

#include <cstdlib>
#include <dirent.h>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "FileName.h"
#include "RunFiles.h"
#include "platform/Device.h"
#include "platform/files.h"
#include "platform/windows.h"

namespace platform {

namespace {

const wchar_t* const shellProgram = L"\\Windows\\shell32.exe";

// Empty when the folder is not the device's own (a link out of the device, say).
std::string Folder() {
    return RunFiles::Folder("processes").value_or(std::string());
}

std::string RecordPath(const std::string& folder, DWORD processId) {
    return folder + "/" + std::to_string(processId);
}

std::optional<std::string> Executable(const std::string& procLink) {
    char target[4096];
    const ssize_t length = readlink(procLink.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) {
        return std::nullopt;
    }
    return std::string(target, static_cast<std::size_t>(length));
}

// The device path of an executable below fs/, else its host path.
std::optional<std::wstring> ProgramPath(const std::string& executable) {
    if (std::wstring device = DevicePath(executable); !device.empty()) {
        return device;
    }
    return FileName::FromHost(executable);
}

std::optional<std::wstring> RecordedProgram(DWORD processId) {
    const std::string folder = Folder();
    const std::optional<std::string> content =
        folder.empty() ? std::nullopt : RunFiles::Read(RecordPath(folder, processId), 8192);
    if (!content) {
        return std::nullopt;
    }
    std::istringstream record(*content);
    unsigned long long recordedStart = 0;
    std::string devicePath;
    if (!(record >> recordedStart) || !record.ignore(1) || !std::getline(record, devicePath)) {
        return std::nullopt;
    }
    if (ProcessTable::StartTime(processId) != recordedStart) {
        return std::nullopt;
    }
    return FileName::FromHost(devicePath);
}

std::optional<std::string> RealPath(const std::string& path) {
    char* real = path.empty() ? nullptr : realpath(path.c_str(), nullptr);
    if (!real) {
        return std::nullopt;
    }
    std::string result(real);
    std::free(real);
    return result;
}

bool Below(const std::string& path, const std::optional<std::string>& folder) {
    return folder && path.size() > folder->size() + 1 && path.starts_with(*folder + "/");
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace

std::string ProcessTable::Add(DWORD processId, const std::wstring& devicePath) {
    const std::optional<std::string> path = FileName::ToHost(devicePath);
    return path ? Enter("processes", processId, *path + "\n") : std::string();
}

void ProcessTable::Remove(const std::string& record) {
    unlink(record.c_str());
}

std::optional<std::wstring> ProcessTable::ProgramOf(DWORD processId) {
    if (processId == Desktop::shellProcessId) {
        return shellProgram;
    }
    if (processId == 0) {
        return std::nullopt;
    }
    if (std::optional<std::wstring> recorded = RecordedProgram(processId)) {
        return recorded;
    }
    const std::optional<std::string> executable =
        Executable("/proc/" + std::to_string(processId) + "/exe");
    return executable ? ProgramPath(*executable) : std::nullopt;
}

// Field 22 of /proc/<pid>/stat, in clock ticks since boot: with the identifier it names one
// process for good. The command name before it may hold spaces and parentheses, so the
// fields are counted from the last ')'.
std::optional<unsigned long long> ProcessTable::StartTime(DWORD processId) {
    const std::optional<std::string> line =
        RunFiles::Read("/proc/" + std::to_string(processId) + "/stat");
    if (!line) {
        return std::nullopt;
    }
    const std::size_t end = line->rfind(')');
    if (end == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(line->substr(end + 1));
    std::string field;
    for (int index = 3; index < 22 && fields >> field; ++index) {
    }
    unsigned long long startTime = 0;
    if (!(fields >> startTime)) {
        return std::nullopt;
    }
    return startTime;
}

bool ProcessTable::RunsDeviceProgram(DWORD processId) {
    if (processId == 0 || processId == Desktop::shellProcessId) {
        return false;
    }
    const std::optional<std::string> executable =
        Executable("/proc/" + std::to_string(processId) + "/exe");
    return executable && (Below(*executable, RealPath(Device::FileSystemRoot())) ||
                          Below(*executable, RealPath(Device::ProgramFolder())));
}

bool ProcessTable::IsDeviceProcess(DWORD processId, unsigned long long startTime) {
    if (processId <= 1 || processId == static_cast<DWORD>(getpid()) ||
        processId == static_cast<DWORD>(getppid()) || StartTime(processId) != startTime) {
        return false;
    }
    return RunsDeviceProgram(processId);
}

std::string ProcessTable::Enter(const std::string& folderName, DWORD processId,
                                const std::string& more) {
    const std::optional<unsigned long long> startTime = StartTime(processId);
    const std::optional<std::string> folder =
        startTime && Device::Initialise() ? RunFiles::Folder(folderName) : std::nullopt;
    if (!folder) {
        return {};
    }
    const std::string entry = RecordPath(*folder, processId);
    return RunFiles::Write(entry, std::to_string(*startTime) + "\n" + more) ? entry : std::string();
}

bool ProcessTable::IsProcessId(std::string_view text) {
    return !text.empty() && text.size() <= 10 &&
           text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::vector<ProcessTable::Entry> ProcessTable::Entries(const std::string& folderName) {
    std::vector<Entry> entries;
    const std::optional<std::string> folder = RunFiles::Folder(folderName);
    DIR* listing = folder ? opendir(folder->c_str()) : nullptr;
    if (!listing) {
        return entries;
    }
    while (const dirent* item = readdir(listing)) {
        if (!IsProcessId(item->d_name)) {
            continue;
        }
        std::istringstream record(RunFiles::Read(*folder + "/" + item->d_name, 8192).value_or(""));
        unsigned long long startTime = 0;
        if (record >> startTime) {
            entries.emplace_back(static_cast<DWORD>(std::stoul(item->d_name)), startTime);
        }
    }
    closedir(listing);
    return entries;
}

int ProcessTable::Signal(const Entry& process, int signal) {
    const int descriptor = static_cast<int>(syscall(SYS_pidfd_open, process.first, 0));
    if (descriptor < 0) {
        return -1;
    }
    if (!IsDeviceProcess(process.first, process.second) ||
        syscall(SYS_pidfd_send_signal, descriptor, signal, nullptr, 0) != 0) {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

std::wstring ProcessTable::OwnProgram() {
    if (const char* image = std::getenv("TAPWEAVE_IMAGE"); image && *image) {
        const std::optional<std::wstring> devicePath = FileName::FromHost(image);
        if (devicePath && SameFile(HostPath(*devicePath), "/proc/self/exe")) {
            return *devicePath;
        }
    }
    const std::optional<std::string> executable = Executable("/proc/self/exe");
    const std::optional<std::wstring> program =
        executable ? ProgramPath(*executable) : std::nullopt;
    return program.value_or(std::wstring());
}

} // namespace platform
