// Injection through the kernel's uinput: works under X, Wayland and on the console alike.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "UinputDescription.h"
#include "UinputSink.h"
#include "platform/Injector.h"

namespace platform {

class UinputInjector : public Injector {
  public:
    // Makes the kernel devices for a pointer and a keyboard; null with a message in error.
    using SinkMaker = std::function<std::unique_ptr<UinputSink>(
        const UinputDescription& pointer, const UinputDescription& keyboard, std::string& error)>;

    // How a person lets the desktop's user write /dev/uinput.
    static constexpr std::string_view enableHint =
        "install the udev rule 70-tapweave-uinput.rules with: sudo tapweave-install udev-rule";

    // Makes the virtual pointer, sized for the screen as it is now, and the keyboard; null
    // with a message in error when uinput is not there or refuses.
    static std::unique_ptr<UinputInjector> Open(std::string& error);
    // The same through makeSink, which the injector calls again when the screen's size changes.
    static std::unique_ptr<UinputInjector> Open(SinkMaker makeSink, std::string& error);

    void Mouse(DWORD flags, LONG dx, LONG dy) override;
    void Key(BYTE vk, DWORD flags) override;

    // The pointer for a screen of width x height pixels: an absolute pointer like a virtual
    // machine's tablet, not a touch screen, so that the touch driver, which takes direct-touch
    // devices for itself, never picks up the injector's own output.
    static UinputDescription PointerDescription(int width, int height);
    static UinputDescription KeyboardDescription();
    // The highest axis value for a screen side of size pixels: programs scale a pixel by the
    // factor 65535 / size, so the axis holds factor x size values and each pixel gets factor
    // of them.
    static int AxisMaximum(int size);
    // The evdev key a virtual key stands for; 0 for a key the device does not have.
    static unsigned KeyCodeFor(BYTE vk);
    // Every key the virtual keyboard has.
    static std::span<const unsigned> Keys();

  private:
    explicit UinputInjector(SinkMaker makeSink);
    // Under the lock: devices for a screen of that size in place of the ones there are.
    bool Make(int width, int height, std::string& error);
    bool FollowScreen();
    void Send(UinputDevice device, unsigned type, unsigned code, int value);

    std::mutex mutex;
    const SinkMaker makeSink;
    std::unique_ptr<UinputSink> sink;
    // Whether the desktop has been waited for since the devices were made.
    bool awaited = false;
    // Whether the last write failed; a run of failures is told once.
    bool failing = false;
    // The size the devices' axes are for, and the screen's size when last looked at: they
    // differ while new devices cannot be made.
    int width = 0;
    int height = 0;
    int seenWidth = 0;
    int seenHeight = 0;
    int factorX = 1;
    int factorY = 1;
    // Where the pointer was left, in the programs' coordinates on the pixel grid: factor x
    // pixel, from 0 to factor x (size - 1).
    int x = 0;
    int y = 0;
};

} // namespace platform
