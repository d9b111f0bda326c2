// The cost of one mouse_event through each injection backend that can run on this machine:
// the journal (a file, /dev/null), XTest under a private Xvfb, and what a tap takes to reach
// an X client. uinput needs /dev/uinput; without it only the building of its events is timed.
#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "XvfbServer.h"
#include "input/UinputInjector.h"
#include "platform/Injector.h"
#include "platform/input.h"

namespace {

constexpr int screenWidth = 1024;
constexpr int screenHeight = 768;
constexpr DWORD scaleX = 65535 / screenWidth;
constexpr DWORD scaleY = 65535 / screenHeight;

std::unique_ptr<XvfbServer>& Server() {
    static std::unique_ptr<XvfbServer> server;
    return server;
}

std::string& DeviceDirectory() {
    static std::string directory;
    return directory;
}

// Chooses the backend anew for value and makes the first call outside the timing.
bool Use(benchmark::State& state, const std::string& value) {
    if (value == "x11" && !Server()) {
        state.SkipWithError("no Xvfb here");
        return false;
    }
    setenv("TAPWEAVE_INPUT", value.c_str(), 1);
    platform::Injector::Set(nullptr);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, 0, 0, 0, 0);
    return true;
}

// Alternates between two pixels, so that every call really moves the pointer.
void Moves(benchmark::State& state) {
    DWORD pixel = 0;
    for (auto _ : state) {
        pixel ^= 1;
        mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, (100 + pixel) * scaleX,
                    (200 + pixel) * scaleY, 0, 0);
    }
    state.SetItemsProcessed(state.iterations());
}

void JournalToFile(benchmark::State& state) {
    const std::string path = DeviceDirectory() + "/bench-journal.log";
    if (Use(state, "journal:" + path)) {
        Moves(state);
    }
    platform::Injector::Set(nullptr);
    std::filesystem::remove(path);
}
BENCHMARK(JournalToFile);

void JournalToDevNull(benchmark::State& state) {
    if (Use(state, "journal:/dev/null")) {
        Moves(state);
    }
}
BENCHMARK(JournalToDevNull);

// The screen's size read from the X display on every call, as programs without
// TAPWEAVE_SCREEN have it.
void X11XTest(benchmark::State& state) {
    unsetenv("TAPWEAVE_SCREEN");
    if (Use(state, "x11")) {
        Moves(state);
    }
}
BENCHMARK(X11XTest);

// The screen's size given by TAPWEAVE_SCREEN: the XTest requests alone.
void X11XTestFixedScreen(benchmark::State& state) {
    setenv("TAPWEAVE_SCREEN", "1024x768", 1);
    if (Use(state, "x11")) {
        Moves(state);
    }
    unsetenv("TAPWEAVE_SCREEN");
}
BENCHMARK(X11XTestFixedScreen);

// From the press being injected to the release arriving at a window covering the screen.
void X11TapReachesClient(benchmark::State& state) {
    setenv("TAPWEAVE_SCREEN", "1024x768", 1);
    if (!Use(state, "x11")) {
        return;
    }
    ::Display* client = XOpenDisplay(Server()->Name().c_str());
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.event_mask = ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
    const Window window = XCreateWindow(
        client, DefaultRootWindow(client), 0, 0, screenWidth, screenHeight, 0, CopyFromParent,
        InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    XMapRaised(client, window);
    for (XEvent event; XNextEvent(client, &event), event.type != MapNotify;) {
    }
    for (auto _ : state) {
        mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, 100 * scaleX, 200 * scaleY, 0, 0);
        mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, 100 * scaleX, 200 * scaleY, 0, 0);
        for (XEvent event; XNextEvent(client, &event), event.type != ButtonRelease;) {
        }
    }
    XCloseDisplay(client);
    unsetenv("TAPWEAVE_SCREEN");
}
BENCHMARK(X11TapReachesClient);

class NullSink : public platform::UinputSink {
  public:
    bool AwaitReaders(std::string&) override { return true; }
    bool Write(platform::UinputDevice, unsigned, unsigned, int, std::string&) override {
        return true;
    }
};

// Without /dev/uinput the devices cannot be made: this is the injector's own share of a call,
// the kernel's write not included.
void UinputEventsOnly(benchmark::State& state) {
    setenv("TAPWEAVE_SCREEN", "1024x768", 1);
    std::string error;
    const std::unique_ptr<platform::UinputInjector> injector = platform::UinputInjector::Open(
        [](const platform::UinputDescription&, const platform::UinputDescription&, std::string&) {
            return std::make_unique<NullSink>();
        },
        error);
    platform::Injector::Set(injector.get());
    Moves(state);
    platform::Injector::Set(nullptr);
    unsetenv("TAPWEAVE_SCREEN");
}
BENCHMARK(UinputEventsOnly);

} // namespace

int main(int argc, char** argv) {
    std::string directory =
        (std::filesystem::temp_directory_path() / "tapweave-bench-XXXXXX").string();
    if (!mkdtemp(directory.data())) {
        return 1;
    }
    DeviceDirectory() = directory;
    setenv("TAPWEAVE_DEVICE", directory.c_str(), 1);
    // Never the desktop the benchmark was started from.
    unsetenv("DISPLAY");
    if (XvfbServer::Installed()) {
        Server() = std::make_unique<XvfbServer>(screenWidth, screenHeight);
        if (Server()->Running()) {
            setenv("DISPLAY", Server()->Name().c_str(), 1);
        } else {
            Server().reset();
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The injector's connection closes before its server goes.
    platform::Injector::Set(nullptr);
    Server().reset();
    std::filesystem::remove_all(directory);
    return 0;
}
