// How faithfully a played macro keeps its timing: stylus steps with 10 ms pauses between them
// are played into the input journal, and the journal's time stamps give the error of every gap
// and the drift over the whole macro. A harness rather than a Google Benchmark: what matters is
// the distribution over one long run, not the cost of a call.
//
//   playback_bench [steps...]     (default: 500 2000)
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "Macros.h"
#include "TempDevice.h"

namespace {

constexpr std::int64_t gapMicros = 10'000;

// Press, then moves along a line, then a release: one stylus step per 10 ms.
std::string Macro(int steps) {
    std::string text = "Press 10 10\n";
    for (int i = 1; i < steps - 1; ++i) {
        text += "Pause 0.01 s\nMove " + std::to_string(10 + i % 200) + " 100\n";
    }
    return text + "Pause 0.01 s\nRelease \n";
}

std::vector<std::int64_t> JournalTimes(const std::string& path) {
    std::vector<std::int64_t> times;
    std::ifstream journal(path);
    std::string line;
    while (std::getline(journal, line)) {
        const std::size_t at = line.find("t_us=");
        if (at != std::string::npos) {
            times.push_back(std::strtoll(line.c_str() + at + 5, nullptr, 10));
        }
    }
    return times;
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const std::size_t index =
        std::min(values.size() - 1, static_cast<std::size_t>(fraction * values.size()));
    return values[index];
}

bool Measure(const TempDevice& device, const std::string& journal, int steps) {
    const std::string name = "Timing" + std::to_string(steps);
    device.Write("Program Files/Tapweave/Macros/" + name + ".macros", Macro(steps));
    std::ofstream(journal, std::ios::trunc).close();
    Macros& document = Macros::GetInstance();
    if (!document.Load(std::wstring(name.begin(), name.end())) || !document.Play()) {
        std::fprintf(stderr, "playback_bench: could not play %s\n", name.c_str());
        return false;
    }
    const std::vector<std::int64_t> times = JournalTimes(journal);
    if (times.size() != static_cast<std::size_t>(steps)) {
        std::fprintf(stderr, "playback_bench: %zu events in the journal, %d expected\n",
                     times.size(), steps);
        return false;
    }
    std::vector<double> errors;
    for (std::size_t i = 1; i < times.size(); ++i) {
        errors.push_back(std::fabs(static_cast<double>(times[i] - times[i - 1] - gapMicros)));
    }
    const std::int64_t drift =
        times.back() - times.front() - static_cast<std::int64_t>(steps - 1) * gapMicros;
    std::printf("%6d steps  %7.2f s  gap error us: median %6.1f  p99 %6.1f  max %7.1f  "
                "drift over the macro: %+" PRId64 " us\n",
                steps, static_cast<double>(times.back() - times.front()) / 1e6,
                Percentile(errors, 0.5), Percentile(errors, 0.99), Percentile(errors, 1.0), drift);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    TempDevice device;
    const std::string journal = device.Directory() + "/run/playback-journal.log";
    setenv("TAPWEAVE_INPUT", ("journal:" + journal).c_str(), 1);
    std::vector<int> lengths;
    for (int i = 1; i < argc; ++i) {
        lengths.push_back(std::atoi(argv[i]));
    }
    if (lengths.empty()) {
        lengths = {500, 2000};
    }
    for (const int steps : lengths) {
        if (steps < 2 || !Measure(device, journal, steps)) {
            return 1;
        }
    }
    return 0;
}
