// An X client that notes the presses, releases and keys reaching its window: a plain
// override-redirect window on its own connection and thread, raised again whenever another
// window covers it, so that what is injected at its pixels reaches it. Needs no test framework.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class XInputClient {
  public:
    struct Options {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        // Takes the keyboard focus once mapped, for key events.
        bool takeFocus = true;
        // Keysyms taken off the keymap first, so that the injector must bind them itself.
        std::vector<unsigned long> unbound;
    };

    // type is ButtonPress, ButtonRelease, KeyPress or KeyRelease; x and y are in the window;
    // at is when the client read the event.
    struct Arrival {
        int type;
        int x;
        int y;
        unsigned long keysym;
        std::chrono::steady_clock::time_point at;
    };

    XInputClient(const std::string& display, const Options& options);
    ~XInputClient();
    XInputClient(const XInputClient&) = delete;
    XInputClient& operator=(const XInputClient&) = delete;

    // Whether the window is mapped and ready, within the timeout.
    bool WaitReady(std::chrono::milliseconds timeout);
    // The arrivals once there are at least count of them, or what came within the timeout.
    std::vector<Arrival> WaitFor(std::size_t count, std::chrono::milliseconds timeout);
    // Forgets the arrivals so far.
    void Clear();

  private:
    void Run(const std::string& display, const Options& options);
    template <typename Change> void Signal(Change change);

    std::mutex mutex;
    std::condition_variable changed;
    bool ready = false;
    bool failed = false;
    std::vector<Arrival> arrivals;
    std::atomic<bool> stop{false};
    std::thread thread;
};
