#include "platform/clock.h"

#include <cerrno>
#include <ctime>
#include <poll.h>
#include <sys/prctl.h>

#include "platform/Seam.h"
#include "platform/StopRequest.h"

namespace platform {

namespace {

std::int64_t NowMicros() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

timespec TimeOf(std::int64_t micros) {
    timespec time{};
    time.tv_sec = static_cast<time_t>(micros / 1000000);
    time.tv_nsec = static_cast<long>(micros % 1000000) * 1000;
    return time;
}

// A process that can be asked to stop waits on the request's descriptor too, so that the
// request ends the wait at once, however it arrives, and never slips in just before the wait.
// The request's source is read before each sleep, and the time that takes is the wait's own.
void SleepUntil(std::int64_t deadline) {
    const int stop = StopRequest::Descriptor();
    if (stop < 0) {
        const timespec until = TimeOf(deadline);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
        }
        return;
    }
    pollfd watched[2] = {{stop, POLLIN, 0}, {-1, POLLIN, 0}};
    for (;;) {
        watched[1].fd = StopRequest::ReadSource();
        const std::int64_t left = deadline - NowMicros();
        if (left <= 0 || StopRequest::Raised()) {
            return;
        }
        const timespec timeout = TimeOf(left);
        ppoll(watched, 2, &timeout, nullptr);
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

    void SleepUntilMicros(std::int64_t deadline) override { SleepUntil(deadline); }
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
