#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/types.h>
#include <unistd.h>

#include "platform/Device.h"
#include "platform/WindowDirectory.h"
#include "platform/kernel.h"

namespace {

using platform::WindowDirectory;

// The programs the device's shell started: run/processes/<pid> records the start time, so a
// record left by a process that ended long ago never names the process that now has its
// identifier.
void AddRecordedProcesses(std::set<pid_t>& processes) {
    std::error_code error;
    const std::filesystem::path folder =
        std::filesystem::path(platform::Device::RunDirectory()) / "processes";
    for (const auto& record : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = record.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos ||
            name.size() > 9) {
            continue;
        }
        std::ifstream in(record.path());
        unsigned long long startTime = 0;
        const auto processId = static_cast<DWORD>(std::stoul(name));
        if (in >> startTime && WindowDirectory::ProcessRunning(processId, startTime)) {
            processes.insert(static_cast<pid_t>(processId));
        }
    }
}

void AddWindowProcesses(std::set<pid_t>& processes) {
    for (const WindowDirectory::Entry& entry : WindowDirectory::List()) {
        processes.insert(static_cast<pid_t>(entry.processId));
    }
}

void ClearRunDirectory() {
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(platform::Device::RunDirectory(), error)) {
        std::error_code ignored;
        std::filesystem::remove_all(entry.path(), ignored);
    }
}

} // namespace

BOOL KernelIoControl(DWORD ioControlCode, LPVOID, DWORD, LPVOID, DWORD, LPDWORD) {
    if (ioControlCode != IOCTL_HAL_REBOOT) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::set<pid_t> processes;
    AddRecordedProcesses(processes);
    AddWindowProcesses(processes);
    processes.erase(getpid());
    for (const pid_t process : processes) {
        if (process > 1) {
            kill(process, SIGKILL);
        }
    }
    ClearRunDirectory();
    return TRUE;
}
