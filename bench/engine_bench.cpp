// The macro engine's own costs: loading a macro of a million mixed lines, the memory a stored
// step takes, and Macros::Add as the recorder's touch thread calls it. Everything goes through
// libtapweave-common as the programs use it, on a temporary device.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <memory>

#include "Macros.h"
#include "MouseMove.h"
#include "TempDevice.h"

namespace {

constexpr int millionLines = 1'000'000;

// One stroke and what surrounds it in a recording: ten lines, nine steps (the separator line
// is not a step).
const char* const strokeLines[] = {"Press 120 200\n",
                                   "Move 121 201\n",
                                   "Move 123 204\n",
                                   "Pause 0.02 s\n",
                                   "Move 126 209\n",
                                   "Release \n",
                                   " \n",
                                   "Pause 1.23 s\n",
                                   "Keyboard app1\n",
                                   "Start /usr/bin/xterm\n"};
constexpr int stepsPerStroke = 9;

std::unique_ptr<TempDevice>& Device() {
    static std::unique_ptr<TempDevice> device;
    return device;
}

void WriteMillionLineMacro() {
    std::string text;
    for (int line = 0; line < millionLines; ++line) {
        text += strokeLines[line % 10];
    }
    Device()->Write("Program Files/Tapweave/Macros/Million.macros", text);
}

std::size_t HeapInUse() {
    return mallinfo2().uordblks;
}

void LoadMillionLines(benchmark::State& state) {
    Macros& document = Macros::GetInstance();
    for (auto _ : state) {
        if (!document.Load(L"Million")) {
            state.SkipWithError("the macro could not be read");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * millionLines);

    document.Load(L"Missing");
    const std::size_t before = HeapInUse();
    document.Load(L"Million");
    const std::size_t after = HeapInUse();
    const int steps = millionLines / 10 * stepsPerStroke;
    state.counters["bytes_per_step"] = static_cast<double>(after - before) / steps;
    document.Load(L"Missing");
}
BENCHMARK(LoadMillionLines)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// Adds 1000 moves per iteration while recording, as the touch thread does for every sample.
void AddPerStep(benchmark::State& state) {
    Macros& document = Macros::GetInstance();
    document.StartRecording();
    int x = 0;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i, ++x) {
            document.Add(ActionPtr(new MouseMove(x, x)), Macros::AddPlain);
        }
        state.PauseTiming();
        document.Load(L"Missing"); // empties the document and stops recording
        document.StartRecording();
        state.ResumeTiming();
    }
    document.StopRecording();
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(AddPerStep)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Device() = std::make_unique<TempDevice>();
    WriteMillionLineMacro();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Device().reset();
    return 0;
}
