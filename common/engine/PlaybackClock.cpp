#include "PlaybackClock.h"

#include <atomic>
#include <cmath>
#include <cstdint>

#include "platform/clock.h"

namespace {

struct Deadline {
    bool running = false;
    std::int64_t micros = 0;
};

thread_local Deadline deadline;

std::atomic<double> speed{1.0};

// How late a pause may begin and still end on the running deadline: the wake-up and the
// injections between two pauses take far less, a stall far more.
constexpr std::int64_t stallMicros = 1000;

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
    platform::Clock& clock = platform::Clock::Current();
    const std::int64_t now = clock.MonotonicMicros();
    if (now - deadline.micros > stallMicros) {
        deadline.micros = now;
    }
    deadline.micros += std::llround(static_cast<double>(milliseconds) * 1000.0 / speed.load());
    clock.SleepUntilMicros(deadline.micros);
}

void PlaybackClock::Restart() {
    if (deadline.running) {
        deadline.micros = platform::Clock::Current().MonotonicMicros();
    }
}

void PlaybackClock::SetSpeed(double factor) {
    speed.store(factor);
}
