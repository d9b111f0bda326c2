#include "ProcessTable.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "FileName.h"
#include "platform/Device.h"
#include "platform/files.h"
#include "platform/windows.h"

namespace platform {

namespace {

const wchar_t* const shellProgram = L"\\Windows\\shell32.exe";

std::string Folder() {
    return Device::RunDirectory() + "/processes";
}

std::string RecordPath(DWORD processId) {
    return Folder() + "/" + std::to_string(processId);
}

// Field 22 of /proc/<pid>/stat, in clock ticks since boot: with the identifier it names one
// process for good. The command name before it may hold spaces and parentheses, so the
// fields are counted from the last ')'.
std::optional<unsigned long long> StartTime(DWORD processId) {
    std::ifstream stat("/proc/" + std::to_string(processId) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return std::nullopt;
    }
    const std::size_t end = line.rfind(')');
    if (end == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(line.substr(end + 1));
    std::string field;
    for (int index = 3; index < 22 && fields >> field; ++index) {
    }
    unsigned long long startTime = 0;
    if (!(fields >> startTime)) {
        return std::nullopt;
    }
    return startTime;
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
    std::ifstream record(RecordPath(processId));
    unsigned long long recordedStart = 0;
    std::string devicePath;
    if (!(record >> recordedStart) || !record.ignore(1) || !std::getline(record, devicePath)) {
        return std::nullopt;
    }
    if (StartTime(processId) != recordedStart) {
        return std::nullopt;
    }
    return FileName::FromHost(devicePath);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace

std::string ProcessTable::Add(DWORD processId, const std::wstring& devicePath) {
    const std::optional<unsigned long long> startTime = StartTime(processId);
    const std::optional<std::string> path = FileName::ToHost(devicePath);
    if (!startTime || !path || !Device::Initialise()) {
        return {};
    }
    mkdir(Folder().c_str(), 0755);
    // Written aside and renamed, so that a reader never sees half a record.
    const std::string record = RecordPath(processId);
    const std::string partial = record + ".new";
    {
        std::ofstream out(partial, std::ios::trunc);
        out << *startTime << '\n' << *path << '\n';
        if (!out.flush()) {
            std::remove(partial.c_str());
            return {};
        }
    }
    return std::rename(partial.c_str(), record.c_str()) == 0 ? record : std::string();
}

void ProcessTable::Remove(const std::string& record) {
    std::remove(record.c_str());
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
