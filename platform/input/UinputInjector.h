// Injection through the kernel's uinput: works under X, Wayland and on the console alike.
#pragma once

#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "UinputSink.h"
#include "platform/Injector.h"

namespace platform {

class UinputInjector : public Injector {
  public:
    // Makes the virtual pointer, sized for the screen as it is now, and the keyboard; null
    // with a message in error when uinput is not there or refuses.
    static std::unique_ptr<UinputInjector> Open(std::string& error);
    // Sends to sink, for a pointer whose axes cover a screen of width x height pixels.
    UinputInjector(std::unique_ptr<UinputSink> sink, int width, int height);

    void Mouse(DWORD flags, LONG dx, LONG dy) override;
    void Key(BYTE vk, DWORD flags) override;

    // The highest axis value for a screen side of size pixels: programs scale a pixel by the
    // factor 65535 / size, so the axis holds factor x size values and each pixel gets factor
    // of them.
    static int AxisMaximum(int size);
    // The evdev key a virtual key stands for; 0 for a key the device does not have.
    static unsigned KeyCodeFor(BYTE vk);
    // Every key the virtual keyboard has.
    static std::span<const unsigned> Keys();

  private:
    std::mutex mutex;
    std::unique_ptr<UinputSink> sink;
    int factorX;
    int factorY;
    int maxX;
    int maxY;
    // Where the pointer was left, in axis values.
    int x = 0;
    int y = 0;
};

} // namespace platform
