// The real uinput devices, made through libevdev: an absolute pointer and a small keyboard.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "UdevAnnouncement.h"
#include "UinputDescription.h"
#include "UinputSink.h"

struct libevdev_uinput;

namespace platform {

class LibevdevSink : public UinputSink {
  public:
    // Makes both devices as described. Null with a message in error that names /dev/uinput
    // and the way to reach it when it cannot be opened.
    static std::unique_ptr<LibevdevSink>
    Create(const UinputDescription& pointer, const UinputDescription& keyboard, std::string& error);
    // Keeps the devices a moment after their last event, so that the desktop reads it before
    // they go.
    ~LibevdevSink() override;
    LibevdevSink(const LibevdevSink&) = delete;
    LibevdevSink& operator=(const LibevdevSink&) = delete;

    bool AwaitReaders(std::string& error) override;
    bool Write(UinputDevice device, unsigned type, unsigned code, int value,
               std::string& error) override;

  private:
    LibevdevSink(libevdev_uinput* pointer, libevdev_uinput* keyboard);

    libevdev_uinput* pointer;
    libevdev_uinput* keyboard;
    UdevAnnouncement announcement;
    std::chrono::steady_clock::time_point lastWrite{};
};

} // namespace platform
