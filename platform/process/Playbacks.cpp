#include "platform/Playbacks.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <dirent.h>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string_view>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

#include "ProcessTable.h"
#include "RunFiles.h"
#include "platform/Device.h"

namespace platform {

namespace {

std::optional<std::string> Folder() {
    return RunFiles::Folder("playback");
}

bool IsDigits(std::string_view text) {
    return !text.empty() && text.size() <= 10 &&
           text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Holds the entered process by a descriptor before it is examined, so that the signal reaches
// the process examined and never one that took over its identifier since; -1 when it is not
// a playing process of the device.
int Signal(DWORD processId, unsigned long long startTime) {
    const int process = static_cast<int>(syscall(SYS_pidfd_open, processId, 0));
    if (process < 0) {
        return -1;
    }
    if (!ProcessTable::IsDeviceProcess(processId, startTime) ||
        syscall(SYS_pidfd_send_signal, process, SIGTERM, nullptr, 0) != 0) {
        close(process);
        return -1;
    }
    return process;
}

} // namespace

std::string Playbacks::Enter() {
    const DWORD self = static_cast<DWORD>(getpid());
    const std::optional<unsigned long long> startTime = ProcessTable::StartTime(self);
    const std::optional<std::string> folder =
        Device::Initialise() ? Folder() : std::optional<std::string>();
    if (!startTime || !folder) {
        return {};
    }
    const std::string entry = *folder + "/" + std::to_string(self);
    return RunFiles::Write(entry, std::to_string(*startTime) + "\n") ? entry : std::string();
}

void Playbacks::Leave(const std::string& entry) {
    if (!entry.empty()) {
        unlink(entry.c_str());
    }
}

int Playbacks::StopAll(int timeoutMs) {
    const std::optional<std::string> folder = Folder();
    DIR* listing = folder ? opendir(folder->c_str()) : nullptr;
    if (!listing) {
        return 0;
    }
    std::vector<pollfd> stopped;
    while (const dirent* item = readdir(listing)) {
        if (!IsDigits(item->d_name)) {
            continue;
        }
        std::istringstream entry(RunFiles::Read(*folder + "/" + item->d_name, 64).value_or(""));
        unsigned long long startTime = 0;
        if (entry >> startTime) {
            const int process = Signal(static_cast<DWORD>(std::stoul(item->d_name)), startTime);
            if (process >= 0) {
                stopped.push_back({process, POLLIN, 0});
            }
        }
    }
    closedir(listing);
    // A process descriptor becomes readable when the process has ended.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (pollfd& process : stopped) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        poll(&process, 1, static_cast<int>(std::max<long long>(0, left.count())));
        close(process.fd);
    }
    return static_cast<int>(stopped.size());
}

} // namespace platform
