// An injector that records every mouse_event and keybd_event with the clock's time, in place
// while the object lives.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Injector.h"
#include "platform/clock.h"

struct InjectedEvent {
    bool key;
    DWORD flags;
    LONG dx; // mouse events
    LONG dy;
    BYTE vk; // key events
    std::int64_t micros;

    bool operator==(const InjectedEvent&) const = default;
};

class RecordingInjector : public platform::Injector {
  public:
    RecordingInjector() { Set(this); }
    ~RecordingInjector() override { Set(nullptr); }
    RecordingInjector(const RecordingInjector&) = delete;
    RecordingInjector& operator=(const RecordingInjector&) = delete;

    void Mouse(DWORD flags, LONG dx, LONG dy) override {
        events.push_back({false, flags, dx, dy, 0, Now()});
    }
    void Key(BYTE vk, DWORD flags) override { events.push_back({true, flags, 0, 0, vk, Now()}); }

    std::vector<InjectedEvent> events;

  private:
    static std::int64_t Now() { return platform::Clock::Current().MonotonicMicros(); }
};
