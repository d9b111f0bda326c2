#include "PlaybackClock.h"

#include <cstdint>

#include "platform/clock.h"

namespace {

struct Deadline {
    bool running = false;
    std::int64_t micros = 0;
};

thread_local Deadline deadline;

} // namespace

PlaybackClock::PlaybackClock() {
    deadline.running = true;
    deadline.micros = platform::Clock::Current().MonotonicMicros();
}

PlaybackClock::~PlaybackClock() {
    deadline.running = false;
}

void PlaybackClock::Advance(DWORD milliseconds) {
    if (!deadline.running) {
        Sleep(milliseconds);
        return;
    }
    deadline.micros += static_cast<std::int64_t>(milliseconds) * 1000;
    platform::Clock::Current().SleepUntilMicros(deadline.micros);
}

void PlaybackClock::Restart() {
    if (deadline.running) {
        deadline.micros = platform::Clock::Current().MonotonicMicros();
    }
}
