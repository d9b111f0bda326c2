// The recorder's work per touch sample, from the driver's callback to the end of the step's
// handling (conversion, the step, the document's Add, the replay), with the real macro document
// recording and an injector that only counts; and a 60 s script of 1000 samples a second played
// by the real touch driver on its own thread, counting the samples replayed and the steps saved.
// This program replaces operator new to count allocations; GCC takes the malloc inside it for a
// mismatch with the standard library's deletes.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <thread>

#include "Macros.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "TouchCallback.h"
#include "TouchHook.h"
#include "platform/Injector.h"
#include "platform/gui.h"
#include "platform/touch.h"
#include "platform/windows.h"

namespace {

std::atomic<long> allocations{0};

class CountingInjector : public platform::Injector {
  public:
    void Mouse(DWORD, LONG, LONG) override { mouse.fetch_add(1, std::memory_order_relaxed); }
    void Key(BYTE, DWORD) override {}

    std::atomic<long> mouse{0};
};

constexpr TOUCH_PANEL_SAMPLE_FLAGS downSample = TouchSampleValidFlag | TouchSampleDownFlag;

// Empties the document and records again, outside the timing.
void Restart() {
    Macros& document = Macros::GetInstance();
    document.Load(L"no such macro");
    document.StartRecording();
}

// Every sample a move of two pixels: one step, one Add, one replay per sample.
void BM_SampleRecordedAsMove(benchmark::State& state) {
    TempDevice device;
    CountingInjector injector;
    platform::Injector::Set(&injector);
    TouchHook::GetInstance().SetRect(1000, 1000, 34, 18);
    Restart();
    long samples = 0;
    long allocationsBefore = allocations.load();
    for (auto _ : state) {
        TouchCallback(downSample, 400 + 8 * (samples & 63), 400);
        if (++samples % 50000 == 0) {
            state.PauseTiming();
            const long during = allocations.load();
            Restart();
            allocationsBefore += allocations.load() - during;
            state.ResumeTiming();
        }
    }
    TouchCallback(TouchSampleValidFlag, 400, 400);
    state.counters["allocations/sample"] =
        static_cast<double>(allocations.load() - allocationsBefore) / static_cast<double>(samples);
    Macros::GetInstance().Load(L"no such macro");
    platform::Injector::Set(nullptr);
}
BENCHMARK(BM_SampleRecordedAsMove);

// A stylus held still: no step, the last one replayed.
void BM_SampleHeldStill(benchmark::State& state) {
    TempDevice device;
    CountingInjector injector;
    platform::Injector::Set(&injector);
    TouchHook::GetInstance().SetRect(1000, 1000, 34, 18);
    Restart();
    TouchCallback(downSample, 400, 400);
    const long before = allocations.load();
    long samples = 0;
    for (auto _ : state) {
        TouchCallback(downSample, 400, 400);
        ++samples;
    }
    state.counters["allocations/sample"] =
        static_cast<double>(allocations.load() - before) / static_cast<double>(samples);
    TouchCallback(TouchSampleValidFlag, 400, 400);
    Macros::GetInstance().Load(L"no such macro");
    platform::Injector::Set(nullptr);
}
BENCHMARK(BM_SampleHeldStill);

// Lines of the saved macro that start with the keyword.
long CountLines(const std::string& text, const std::string& keyword) {
    std::istringstream lines(text);
    long count = 0;
    for (std::string line; std::getline(lines, line);) {
        count += line.rfind(keyword + " ", 0) == 0 ? 1 : 0;
    }
    return count;
}

// 60 000 samples at 1 kHz from the driver's script source; every one a step. The document is
// saved afterwards and the steps in the macro file counted.
void BM_OneKilohertzForAMinute(benchmark::State& state) {
    constexpr int samples = 60000;
    for (auto _ : state) {
        TempDevice device;
        std::ostringstream script;
        for (int i = 0; i < samples; ++i) {
            script << 1000 + i << " down " << 400 + 8 * (i & 63) << " 400\n";
        }
        script << 1000 + samples << " up 400 400\n";
        device.Write("touch.txt", script.str());
        std::filesystem::create_directories(device.Host("Program Files/Tapweave/Macros"));
        const std::string source = "script:" + device.Host("touch.txt");
        const ScopedEnvironment touch("TAPWEAVE_TOUCH", source.c_str());
        const ScopedEnvironment gui("TAPWEAVE_GUI", "headless");
        CountingInjector injector;
        platform::Injector::Set(&injector);
        Restart();
        TouchHook::GetInstance().SetRect(1000, 1000, 34, 18);
        TouchHook::GetInstance().Calibrate();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
        while (injector.mouse.load() < samples + 1 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        // Saving opens the library window; it is closed once it shows.
        std::thread saver([] { Macros::GetInstance().Save(); });
        while (FindWindowW(L"Dialog", L"Tapweave") == nullptr) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        PostMessageW(FindWindowW(L"Dialog", L"Tapweave"), WM_COMMAND, 1, 0);
        saver.join();
        const std::string saved = device.Read("Program Files/Tapweave/Macros/New Macro.macros");
        state.counters["samples"] = samples + 1;
        state.counters["replayed"] = static_cast<double>(injector.mouse.load());
        state.counters["steps saved"] = static_cast<double>(
            CountLines(saved, "Press") + CountLines(saved, "Move") + CountLines(saved, "Release"));
        platform::Injector::Set(nullptr);
    }
}
BENCHMARK(BM_OneKilohertzForAMinute)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

// Counts every allocation; the default operator delete frees with free().
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

BENCHMARK_MAIN();
