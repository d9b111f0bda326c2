#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

#include "HandleTable.h"
#include "ProcessHandle.h"
#include "platform/files.h"
#include "platform/kernel.h"

namespace {

// Whether the process still runs, without waiting: a process that has ended but not yet been
// collected by its parent has ended all the same.
bool Running(pid_t pid) {
    if (kill(pid, 0) != 0 && errno == ESRCH) {
        return false;
    }
    char state = 0;
    if (FILE* stat = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r")) {
        const int read = std::fscanf(stat, "%*d (%*[^)]) %c", &state);
        std::fclose(stat);
        return read != 1 || (state != 'Z' && state != 'X');
    }
    return true;
}

} // namespace

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    const auto* process = platform::HandleTable::Get<platform::ProcessHandle>(handle);
    if (!process) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    const auto pid = static_cast<pid_t>(process->ProcessId());
    // A pidfd becomes readable when the process ends, whoever its parent is.
    const int pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (pidFd < 0) {
        // A kernel without pidfds: the process is looked at every few milliseconds.
        constexpr auto step = std::chrono::milliseconds(10);
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (Running(pid)) {
            if (milliseconds != INFINITE && std::chrono::steady_clock::now() >= end) {
                return WAIT_TIMEOUT;
            }
            std::this_thread::sleep_for(step);
        }
        return WAIT_OBJECT_0;
    }
    pollfd watch{pidFd, POLLIN, 0};
    const int timeout = milliseconds == INFINITE ? -1
                        : milliseconds > INT_MAX ? INT_MAX
                                                 : static_cast<int>(milliseconds);
    int ready = 0;
    while ((ready = poll(&watch, 1, timeout)) < 0 && errno == EINTR) {
    }
    close(pidFd);
    return ready > 0 ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}
