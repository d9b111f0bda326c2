// The device clock.
#pragma once

#include <cstdint>

#include "platform/types.h"

// Milliseconds since an arbitrary start, 32 bits: it wraps after about 49.7 days.
DWORD GetTickCount();
// Waits the given milliseconds precisely (clock_nanosleep on CLOCK_MONOTONIC, timer slack lowered).
// Every wait ends early once a StopRequest is raised.
void Sleep(DWORD milliseconds);

namespace platform {

// What GetTickCount and Sleep use; unit tests put a fake in its place.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual DWORD TickCount() = 0;
    virtual void SleepMs(DWORD milliseconds) = 0;
    // CLOCK_MONOTONIC in microseconds (the journal's time stamp).
    virtual std::int64_t MonotonicMicros() = 0;
    // Waits until the given CLOCK_MONOTONIC time in microseconds (a running deadline).
    virtual void SleepUntilMicros(std::int64_t deadline) = 0;

    // The clock in use; the real one unless a test set another.
    static Clock& Current();
    // Puts a clock in place (null: the real one again). The caller keeps ownership.
    static void Set(Clock* clock);
};

} // namespace platform
