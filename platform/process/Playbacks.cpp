#include "platform/Playbacks.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <unistd.h>
#include <vector>

#include "ProcessTable.h"

namespace platform {

std::string Playbacks::Enter() {
    return ProcessTable::Enter("playback", static_cast<DWORD>(getpid()), {});
}

void Playbacks::Leave(const std::string& entry) {
    if (!entry.empty()) {
        unlink(entry.c_str());
    }
}

bool Playbacks::AnyRunning() {
    const std::vector<ProcessTable::Entry> entries = ProcessTable::Entries("playback");
    return std::any_of(entries.begin(), entries.end(), [](const ProcessTable::Entry& entry) {
        return ProcessTable::IsDeviceProcess(entry.first, entry.second);
    });
}

void Playbacks::StopAll(int timeoutMs) {
    std::vector<pollfd> stopped;
    for (const ProcessTable::Entry& entry : ProcessTable::Entries("playback")) {
        if (const int process = ProcessTable::Signal(entry, SIGTERM); process >= 0) {
            stopped.push_back({process, POLLIN, 0});
        }
    }
    // A process descriptor becomes readable when the process has ended.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (pollfd& process : stopped) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        poll(&process, 1, static_cast<int>(std::max<long long>(0, left.count())));
        close(process.fd);
    }
}

} // namespace platform
