// A clock that only moves when waited on: GetTickCount, Sleep and the deadlines of playback
// read and advance one counter, and every wait is recorded. In place while the object lives.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/clock.h"

class FakeClock : public platform::Clock {
  public:
    FakeClock() { Set(this); }
    ~FakeClock() override { Set(nullptr); }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    DWORD TickCount() override { return static_cast<DWORD>(micros / 1000); }
    void SleepMs(DWORD milliseconds) override {
        sleeps.push_back(milliseconds);
        micros += static_cast<std::int64_t>(milliseconds) * 1000;
    }
    std::int64_t MonotonicMicros() override { return micros; }
    void SleepUntilMicros(std::int64_t deadline) override {
        deadlines.push_back(deadline);
        if (deadline > micros) {
            micros = deadline;
        }
    }

    // Lets time pass without anyone waiting (the work of a step, a person's hesitation).
    void Pass(std::int64_t milliseconds) { micros += milliseconds * 1000; }
    std::int64_t Millis() const { return micros / 1000; }

    std::int64_t micros = 5'000'000'000; // far from 0, which the pause clock reads as "not running"
    std::vector<DWORD> sleeps;
    std::vector<std::int64_t> deadlines;
};
