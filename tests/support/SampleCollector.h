// Collects the samples a touch driver calls back with, for tests: the callback is a plain
// function, so the samples go to one process-wide collector.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/touch.h"

struct CollectedSample {
    DWORD flags;
    INT x;
    INT y;
    std::chrono::steady_clock::time_point at;
    std::thread::id thread;
};

class SampleCollector {
  public:
    static BOOL Callback(DWORD flags, INT x, INT y);
    static void Clear();
    // Waits for count samples, at most timeout (the test's watchdog); the samples so far.
    static std::vector<CollectedSample> WaitFor(std::size_t count,
                                                std::chrono::milliseconds timeout);
};
