// The real uinput devices, made through libevdev: an absolute pointer and a small keyboard.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "UinputSink.h"

struct libevdev_uinput;

namespace platform {

class LibevdevSink : public UinputSink {
  public:
    // Makes both devices: the pointer's axes run from 0 to maxX and maxY, the keyboard has
    // the given keys. Null with a message in error when /dev/uinput refuses.
    static std::unique_ptr<LibevdevSink> Create(int maxX, int maxY, std::span<const unsigned> keys,
                                                std::string& error);
    ~LibevdevSink() override;
    LibevdevSink(const LibevdevSink&) = delete;
    LibevdevSink& operator=(const LibevdevSink&) = delete;

    void Write(UinputDevice device, unsigned type, unsigned code, int value) override;

  private:
    LibevdevSink(libevdev_uinput* pointer, libevdev_uinput* keyboard);

    libevdev_uinput* pointer;
    libevdev_uinput* keyboard;
};

} // namespace platform
