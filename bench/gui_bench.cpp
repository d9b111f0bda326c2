// The window layer's costs: messages within a thread, between threads and between processes,
// finding a window in the device's directory, and making a top-level window. Headless, on a
// temporary device.
#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/Device.h"
#include "platform/gui.h"

namespace {

constexpr UINT WM_ECHO = WM_USER + 1;

LRESULT Echo(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ECHO) {
        return static_cast<LRESULT>(wParam) + lParam;
    }
    if (message == WM_DESTROY && GetParent(hwnd) == nullptr) {
        wchar_t title[16] = {};
        GetWindowTextW(hwnd, title, 16);
        if (std::wstring(title) == L"peer") {
            PostQuitMessage(0);
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A device of its own for the whole run, removed at exit.
class BenchDevice {
  public:
    BenchDevice() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tapweave-bench-XXXXXX").string();
        directory = mkdtemp(pattern.data()) ? pattern : std::string();
        setenv("TAPWEAVE_DEVICE", directory.c_str(), 1);
        setenv("TAPWEAVE_GUI", "headless", 1);
        platform::Device::Reset();
        platform::Device::Initialise();
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Echo;
        windowClass.lpszClassName = L"Bench Class";
        RegisterClassW(&windowClass);
    }
    ~BenchDevice() {
        std::error_code error;
        std::filesystem::remove_all(directory, error);
    }

  private:
    std::string directory;
};

BenchDevice& Device() {
    static BenchDevice device;
    return device;
}

HWND Make(const wchar_t* title) {
    Device();
    return CreateWindowExW(0, L"Bench Class", title, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           nullptr, nullptr);
}

void Loop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
    }
}

void SendWithinThread(benchmark::State& state) {
    const HWND hwnd = Make(L"local");
    for (auto _ : state) {
        benchmark::DoNotOptimize(SendMessageW(hwnd, WM_ECHO, 1, 2));
    }
    DestroyWindow(hwnd);
}
BENCHMARK(SendWithinThread);

void PostAndDispatch(benchmark::State& state) {
    const HWND hwnd = Make(L"posted");
    MSG msg;
    for (auto _ : state) {
        PostMessageW(hwnd, WM_ECHO, 1, 2);
        GetMessageW(&msg, nullptr, 0, 0);
        benchmark::DoNotOptimize(DispatchMessageW(&msg));
    }
    DestroyWindow(hwnd);
}
BENCHMARK(PostAndDispatch);

void SendToAnotherThread(benchmark::State& state) {
    std::promise<HWND> made;
    std::thread worker([&] {
        const HWND hwnd = Make(L"worker");
        made.set_value(hwnd);
        Loop();
        DestroyWindow(hwnd);
    });
    const HWND hwnd = made.get_future().get();
    for (auto _ : state) {
        benchmark::DoNotOptimize(SendMessageW(hwnd, WM_ECHO, 1, 2));
    }
    PostMessageW(hwnd, WM_QUIT, 0, 0);
    worker.join();
}
BENCHMARK(SendToAnotherThread)->UseRealTime();

void SendToAnotherProcess(benchmark::State& state) {
    Device();
    const pid_t peer = fork();
    if (peer == 0) {
        alarm(120);
        Make(L"peer");
        Loop();
        _exit(0);
    }
    HWND hwnd = nullptr;
    for (int i = 0; i < 2000 && !hwnd; ++i) {
        hwnd = FindWindowW(L"Bench Class", L"peer");
        usleep(1000);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(SendMessageW(hwnd, WM_ECHO, 1, 2));
    }
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    waitpid(peer, nullptr, 0);
}
BENCHMARK(SendToAnotherProcess)->UseRealTime();

void FindAmongTwentyWindows(benchmark::State& state) {
    std::vector<HWND> windows;
    for (int i = 0; i < 20; ++i) {
        windows.push_back(Make((L"window " + std::to_wstring(i)).c_str()));
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindWindowW(L"Bench Class", L"window 7"));
    }
    for (const HWND hwnd : windows) {
        DestroyWindow(hwnd);
    }
}
BENCHMARK(FindAmongTwentyWindows);

void CreateAndDestroyTopLevelWindow(benchmark::State& state) {
    Device();
    for (auto _ : state) {
        DestroyWindow(Make(L"short-lived"));
    }
}
BENCHMARK(CreateAndDestroyTopLevelWindow);

} // namespace

BENCHMARK_MAIN();
