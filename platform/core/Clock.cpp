#include "platform/clock.h"

#include <cerrno>
#include <ctime>
#include <sys/prctl.h>

#include "platform/Seam.h"

namespace platform {

namespace {

std::int64_t NowMicros() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

void SleepUntil(const timespec& deadline) {
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

class MonotonicClock : public Clock {
  public:
    MonotonicClock() {
        // The default timer slack of 50 microseconds would be added to every wait.
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    }

    DWORD TickCount() override { return static_cast<DWORD>(NowMicros() / 1000); }

    void SleepMs(DWORD milliseconds) override {
        SleepUntilMicros(NowMicros() + static_cast<std::int64_t>(milliseconds) * 1000);
    }

    std::int64_t MonotonicMicros() override { return NowMicros(); }

    void SleepUntilMicros(std::int64_t deadline) override {
        timespec until{};
        until.tv_sec = static_cast<time_t>(deadline / 1000000);
        until.tv_nsec = static_cast<long>(deadline % 1000000) * 1000;
        SleepUntil(until);
    }
};

constinit Seam<Clock> seam;

} // namespace

Clock& Clock::Current() {
    return seam.InstalledOr([] { return MonotonicClock(); });
}

void Clock::Set(Clock* clock) {
    seam.Set(clock);
}

} // namespace platform

DWORD GetTickCount() {
    return platform::Clock::Current().TickCount();
}

void Sleep(DWORD milliseconds) {
    platform::Clock::Current().SleepMs(milliseconds);
}
