#include "ScriptSource.h"

#include <algorithm>
#include <cerrno>

namespace {

constexpr long long nanosecondsPerSecond = 1000000000LL;
// The longest single sleep, so that a raised stop is seen soon during a long pause.
constexpr long long longestSleep = 20000000LL;

long long Nanoseconds(const timespec& time) {
    return time.tv_sec * nanosecondsPerSecond + time.tv_nsec;
}

timespec Time(long long nanoseconds) {
    return timespec{static_cast<time_t>(nanoseconds / nanosecondsPerSecond),
                    static_cast<long>(nanoseconds % nanosecondsPerSecond)};
}

// Sleeps until the deadline on the monotonic clock; false when stop was raised first.
bool SleepUntil(long long deadline, const StopSignal& stop) {
    for (;;) {
        if (stop.Raised()) {
            return false;
        }
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (Nanoseconds(now) >= deadline) {
            return true;
        }
        const timespec until = Time(std::min(deadline, Nanoseconds(now) + longestSleep));
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
        }
    }
}

} // namespace

std::unique_ptr<ScriptSource> ScriptSource::Open(const std::string& path, std::string& error) {
    std::unique_ptr<ScriptSource> source(new ScriptSource);
    clock_gettime(CLOCK_MONOTONIC, &source->start);
    if (!source->script.Open(path, error)) {
        return nullptr;
    }
    return source;
}

void ScriptSource::Run(const Deliver& deliver, const StopSignal& stop) {
    const long long origin = Nanoseconds(start);
    ScriptSample next{};
    while (script.Next(next, &stop)) {
        if (!SleepUntil(origin + next.milliseconds * 1000000LL, stop)) {
            return;
        }
        deliver(next.sample);
    }
}
