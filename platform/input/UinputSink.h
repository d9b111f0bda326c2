// Where the uinput backend's events go: the kernel's virtual devices, or a recorder in tests.
#pragma once

namespace platform {

// The two virtual devices the uinput backend makes.
enum class UinputDevice { Pointer, Keyboard };

class UinputSink {
  public:
    virtual ~UinputSink() = default;
    // One evdev event (type, code, value as in linux/input.h) on one of the devices.
    virtual void Write(UinputDevice device, unsigned type, unsigned code, int value) = 0;
};

} // namespace platform
