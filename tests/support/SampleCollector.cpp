#include "SampleCollector.h"

namespace {

std::mutex collectorMutex;
std::condition_variable arrived;
std::vector<CollectedSample> collected;

} // namespace

BOOL SampleCollector::Callback(DWORD flags, INT x, INT y) {
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(collectorMutex);
        collected.push_back({flags, x, y, now, std::this_thread::get_id()});
    }
    arrived.notify_all();
    return TRUE;
}

void SampleCollector::Clear() {
    std::lock_guard lock(collectorMutex);
    collected.clear();
}

std::vector<CollectedSample> SampleCollector::WaitFor(std::size_t count,
                                                      std::chrono::milliseconds timeout) {
    std::unique_lock lock(collectorMutex);
    arrived.wait_for(lock, timeout, [&] { return collected.size() >= count; });
    return collected;
}
