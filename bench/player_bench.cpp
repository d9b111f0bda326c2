// How soon a started player taps: from starting the process to its first injected press
// arriving at an X client, compared in the same run with xdotool injecting the same tap into
// the same client. The player is started as a macro's shortcut starts it, under its device path
// \Program Files\Tapweave\Player.exe (TAPWEAVE_IMAGE), so that it finds its macros beside it.
// Also which libraries a player has loaded while it plays (no Qt, SQLite or libevdev) and once
// it shows the library window (Qt). A harness rather than a Google Benchmark: each sample is a
// whole process, and what matters is the distribution.
//
//   player_bench [runs]     (default: 100 of each, interleaved)
#include <X11/X.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "MacroLibrary.h"
#include "TempDevice.h"
#include "XInputClient.h"
#include "XvfbServer.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int screenWidth = 480;
constexpr int screenHeight = 640;
constexpr int clientX = 280;
constexpr int clientY = 400;
constexpr int clientSize = 150;
// The tap: the client's centre.
constexpr int tapX = clientX + clientSize / 2;
constexpr int tapY = clientY + clientSize / 2;

std::string BinaryFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

pid_t Spawn(const std::vector<std::string>& arguments) {
    std::vector<std::string> copies = arguments;
    std::vector<char*> argv;
    for (std::string& argument : copies) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

// Waits for the program to end; the processor time it used, in microseconds.
double Reap(pid_t pid) {
    const auto deadline = Clock::now() + 10s;
    rusage usage{};
    while (wait4(pid, nullptr, WNOHANG, &usage) == 0) {
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
        }
        std::this_thread::sleep_for(1ms);
    }
    const auto micros = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) * 1e6 + static_cast<double>(time.tv_usec);
    };
    return micros(usage.ru_utime) + micros(usage.ru_stime);
}

struct Sample {
    // From starting the program to its press arriving at the client; -1 when none arrived.
    double firstPress;
    // What the whole program used of the processors, start to end.
    double processor;
};

// Starts the program and waits for its press, then for its end, in microseconds.
Sample TimeToFirstPress(XInputClient& client, const std::vector<std::string>& program) {
    client.Clear();
    const Clock::time_point start = Clock::now();
    const pid_t pid = Spawn(program);
    if (pid < 0) {
        return {-1, 0};
    }
    const std::vector<XInputClient::Arrival> arrivals = client.WaitFor(2, 5s);
    const double processor = Reap(pid);
    // The X server finishes with the program's connection before the next one starts.
    std::this_thread::sleep_for(20ms);
    if (arrivals.empty() || arrivals[0].type != ButtonPress) {
        return {-1, processor};
    }
    return {std::chrono::duration<double, std::micro>(arrivals[0].at - start).count(), processor};
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

double LoadAverage() {
    std::ifstream file("/proc/loadavg");
    double load = -1;
    file >> load;
    return load;
}

void Report(const char* what, const std::vector<double>& samples,
            const std::vector<double>& processor, int failures) {
    if (samples.empty()) {
        std::printf("%-40s no samples (%d failed)\n", what, failures);
        return;
    }
    std::printf("%-40s median %5.2f ms  p10 %5.2f  p90 %5.2f  min %5.2f  cpu %5.2f ms  (%zu runs, "
                "%d failed)\n",
                what, Percentile(samples, 0.5) / 1000, Percentile(samples, 0.1) / 1000,
                Percentile(samples, 0.9) / 1000, Percentile(samples, 0.0) / 1000,
                Percentile(processor, 0.5) / 1000, samples.size(), failures);
}

// The shared libraries a process has mapped, by file name.
std::set<std::string> Libraries(pid_t pid) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::set<std::string> libraries;
    for (std::string line; std::getline(maps, line);) {
        const std::size_t slash = line.rfind('/');
        if (slash != std::string::npos && line.find(".so", slash) != std::string::npos) {
            libraries.insert(line.substr(slash + 1));
        }
    }
    return libraries;
}

std::size_t QtLibraries(const std::set<std::string>& libraries) {
    return static_cast<std::size_t>(
        std::count_if(libraries.begin(), libraries.end(),
                      [](const std::string& name) { return name.rfind("libQt", 0) == 0; }));
}

bool WindowShown(const std::string& title) {
    const std::string command =
        "xdotool search --onlyvisible --name '^" + title + "$' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    if (!XvfbServer::Installed()) {
        std::printf("Xvfb is not installed\n");
        return 0;
    }
    XvfbServer server(screenWidth, screenHeight);
    if (!server.Running()) {
        std::printf("Xvfb did not start: %s\n", server.Error().c_str());
        return 1;
    }
    setenv("DISPLAY", server.Name().c_str(), 1);
    setenv("TAPWEAVE_INPUT", "x11", 1);
    unsetenv("TAPWEAVE_SCREEN");
    unsetenv("TAPWEAVE_GUI");
    // What the launcher tells a device program it starts.
    setenv("TAPWEAVE_IMAGE", "\\Program Files\\Tapweave\\Player.exe", 1);
    TempDevice device;
    const std::string player = BinaryFolder() + "/tapweave-player";
    MacroLibrary library(device, player);
    library.Save("Bench Tap",
                 "Press " + std::to_string(tapX) + " " + std::to_string(tapY) + "\nRelease \n");
    library.Save("Bench Hold", "Press " + std::to_string(tapX) + " " + std::to_string(tapY) +
                                   "\nRelease \nPause 1 s\n");

    XInputClient client(server.Name(), {clientX, clientY, clientSize, clientSize, false, {}});
    if (!client.WaitReady(10s)) {
        std::printf("the X client did not come up\n");
        return 1;
    }

    const std::vector<std::string> playerTap{player, "Bench Tap"};
    const std::vector<std::string> xdotoolTap{
        "xdotool", "mousemove", std::to_string(tapX), std::to_string(tapY), "click", "--delay",
        "0",       "1"};
    // Warm the page cache and the X server for both.
    for (int i = 0; i < 5; ++i) {
        TimeToFirstPress(client, playerTap);
        TimeToFirstPress(client, xdotoolTap);
    }
    struct Contender {
        const char* what;
        std::vector<std::string> program;
        // The screen's size from the environment rather than from the X display.
        bool fixedScreen;
        std::vector<double> times;
        std::vector<double> processor;
        int failures;
    };
    Contender contenders[] = {
        {"tapweave-player \"Bench Tap\" (x11)", playerTap, false, {}, {}, 0},
        {"  the same, TAPWEAVE_SCREEN set", playerTap, true, {}, {}, 0},
        {"xdotool mousemove X Y click --delay 0 1", xdotoolTap, false, {}, {}, 0},
    };
    const std::string screenSize = std::to_string(screenWidth) + "x" + std::to_string(screenHeight);
    const double loadBefore = LoadAverage();
    for (int i = 0; i < runs; ++i) {
        for (Contender& contender : contenders) {
            if (contender.fixedScreen) {
                setenv("TAPWEAVE_SCREEN", screenSize.c_str(), 1);
            }
            const Sample sample = TimeToFirstPress(client, contender.program);
            if (sample.firstPress < 0) {
                ++contender.failures;
            } else {
                contender.times.push_back(sample.firstPress);
                contender.processor.push_back(sample.processor);
            }
            unsetenv("TAPWEAVE_SCREEN");
        }
    }
    std::printf("From the program's start to its press arriving at an X client (load average "
                "%.2f before, %.2f after):\n",
                loadBefore, LoadAverage());
    for (const Contender& contender : contenders) {
        Report(contender.what, contender.times, contender.processor, contender.failures);
    }
    // xdotool comes last.
    const std::vector<double>& xdotool = std::end(contenders)[-1].times;
    for (const Contender& contender : contenders) {
        if (&contender.times != &xdotool && !contender.times.empty() && !xdotool.empty()) {
            std::printf("ratio of medians to xdotool's: %.2f  %s\n",
                        Percentile(contender.times, 0.5) / Percentile(xdotool, 0.5),
                        contender.what);
        }
    }

    // A player that plays opens no window, so it never maps Qt; one that shows the library
    // window does.
    client.Clear();
    const pid_t holding = Spawn({player, "Bench Hold"});
    client.WaitFor(2, 5s);
    const std::set<std::string> playing = Libraries(holding);
    Reap(holding);
    std::printf("\nWhile playing: %zu shared libraries, %zu of Qt:", playing.size(),
                QtLibraries(playing));
    for (const std::string& name : playing) {
        std::printf(" %s", name.c_str());
    }
    const pid_t browsing = Spawn({player});
    const auto deadline = Clock::now() + 20s;
    while (!WindowShown("Tapweave") && Clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    const std::set<std::string> showing = Libraries(browsing);
    kill(browsing, SIGTERM);
    Reap(browsing);
    std::printf("\nShowing the library window: %zu shared libraries, %zu of Qt\n", showing.size(),
                QtLibraries(showing));
    return 0;
}
