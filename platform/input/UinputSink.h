// Where the uinput backend's events go: the kernel's virtual devices, or a recorder in tests.
#pragma once

#include <string>

namespace platform {

// The two virtual devices the uinput backend makes.
enum class UinputDevice { Pointer, Keyboard };

class UinputSink {
  public:
    virtual ~UinputSink() = default;
    // Returns once the desktop can read both devices: udev has announced them and the desktop
    // has had its moment to open them. Events written earlier reach nobody. False with a
    // message in error when udev did not announce them in time.
    virtual bool AwaitReaders(std::string& error) = 0;
    // One evdev event (type, code, value as in linux/input.h) on one of the devices; false
    // with a message in error when the kernel refuses it.
    virtual bool Write(UinputDevice device, unsigned type, unsigned code, int value,
                       std::string& error) = 0;
};

} // namespace platform
