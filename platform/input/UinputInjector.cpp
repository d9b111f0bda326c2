#include "UinputInjector.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <linux/input.h>
#include <utility>

#include "LibevdevSink.h"
#include "platform/display.h"
#include "platform/input.h"

namespace platform {

namespace {

// The launch keys travel as the keys the X server's evdev keymap calls XF86Launch1..6.
struct KeyEntry {
    BYTE vk;
    unsigned code;
};
constexpr KeyEntry keyTable[] = {
    {VK_LEFT, KEY_LEFT},    {VK_RIGHT, KEY_RIGHT},   {VK_UP, KEY_UP},      {VK_DOWN, KEY_DOWN},
    {VK_RETURN, KEY_ENTER}, {VK_F1, KEY_F1},         {VK_F2, KEY_F2},      {VK_APP1, KEY_PROG1},
    {VK_APP2, KEY_PROG2},   {VK_APP3, KEY_PROG3},    {VK_APP4, KEY_PROG4}, {VK_APP5, KEY_F14},
    {VK_APP6, KEY_F15},     {VK_LWIN, KEY_LEFTMETA},
};

constexpr auto keyCodes = [] {
    std::array<unsigned, std::size(keyTable)> codes{};
    for (std::size_t index = 0; index < codes.size(); ++index) {
        codes[index] = keyTable[index].code;
    }
    return codes;
}();

int Factor(int size) {
    return size > 0 ? std::max(1, 65535 / size) : 1;
}

// Fixed, so that a udev rule or a hwdb entry can name the devices.
constexpr unsigned vendorId = 0x7477;
constexpr unsigned pointerProductId = 0x0001;
constexpr unsigned keyboardProductId = 0x0002;

// A value in the programs' coordinates kept on the screen's pixel grid: what rounds to a pixel
// past either edge stays on the edge's pixel, as the X display's injection keeps it.
int OnGrid(std::int64_t value, int factor, int size) {
    return static_cast<int>(std::clamp<std::int64_t>(
        value, 0, static_cast<std::int64_t>(factor) * (std::max(size, 1) - 1)));
}

} // namespace

std::unique_ptr<UinputInjector> UinputInjector::Open(std::string& error) {
    return Open(
        [](const UinputDescription& pointer, const UinputDescription& keyboard, std::string& why)
            -> std::unique_ptr<UinputSink> { return LibevdevSink::Create(pointer, keyboard, why); },
        error);
}

std::unique_ptr<UinputInjector> UinputInjector::Open(SinkMaker makeSink, std::string& error) {
    std::unique_ptr<UinputInjector> injector(new UinputInjector(std::move(makeSink)));
    const ScreenState screen = Display::Current().Size();
    std::lock_guard lock(injector->mutex);
    return injector->Make(screen.width, screen.height, error) ? std::move(injector) : nullptr;
}

UinputInjector::UinputInjector(SinkMaker makeSink) : makeSink(std::move(makeSink)) {}

bool UinputInjector::Make(int newWidth, int newHeight, std::string& error) {
    std::unique_ptr<UinputSink> made =
        makeSink(PointerDescription(newWidth, newHeight), KeyboardDescription(), error);
    if (!made) {
        return false;
    }
    // The pointer stays on its pixel.
    const int newFactorX = Factor(newWidth);
    const int newFactorY = Factor(newHeight);
    x = OnGrid(static_cast<std::int64_t>((x + factorX / 2) / factorX) * newFactorX, newFactorX,
               newWidth);
    y = OnGrid(static_cast<std::int64_t>((y + factorY / 2) / factorY) * newFactorY, newFactorY,
               newHeight);
    sink = std::move(made);
    awaited = false;
    seenWidth = width = newWidth;
    seenHeight = height = newHeight;
    factorX = newFactorX;
    factorY = newFactorY;
    return true;
}

// The axes' range is the screen's: after a change of resolution or monitor the old devices
// would put every press on the wrong pixel, so new ones take their place; whether they did.
// When they cannot be made the old ones go on, and the person is told.
bool UinputInjector::FollowScreen() {
    const ScreenState screen = Display::Current().Size();
    if (screen.width == seenWidth && screen.height == seenHeight) {
        return false;
    }
    seenWidth = screen.width;
    seenHeight = screen.height;
    std::string error;
    if (Make(screen.width, screen.height, error)) {
        return true;
    }
    std::fprintf(stderr, "tapweave: the screen is now %dx%d but %s; taps may land off\n",
                 screen.width, screen.height, error.c_str());
    return false;
}

void UinputInjector::Send(UinputDevice device, unsigned type, unsigned code, int value) {
    std::string error;
    if (!awaited) {
        awaited = true;
        if (!sink->AwaitReaders(error)) {
            std::fprintf(stderr, "tapweave: %s\n", error.c_str());
        }
    }
    if (sink->Write(device, type, code, value, error)) {
        failing = false;
    } else if (!std::exchange(failing, true)) {
        std::fprintf(stderr, "tapweave: %s\n", error.c_str());
    }
}

// The flags may combine: the move goes first, then the press, then the release. A press and
// a release in one call go out as two reports, or the release would cancel the press unseen.
// Each value is written at the centre of its pixel: the desktop maps the axis onto the screen
// rounding down, so the pixel's first value would land a pixel short wherever the mapping
// loses a fraction (the X server's does).
void UinputInjector::Mouse(DWORD flags, LONG dx, LONG dy) {
    const bool absolute = flags & MOUSEEVENTF_ABSOLUTE;
    const bool buttons = flags & (MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP);
    const bool absoluteMove = absolute && ((flags & MOUSEEVENTF_MOVE) || buttons);
    const bool relativeMove = !absolute && (flags & MOUSEEVENTF_MOVE);
    if (!absoluteMove && !relativeMove && !buttons) {
        return;
    }
    std::lock_guard lock(mutex);
    // New devices start with their axes at 0: they are told where the pointer is first.
    const bool remade = FollowScreen();
    if (absoluteMove) {
        x = OnGrid(dx, factorX, width);
        y = OnGrid(dy, factorY, height);
    } else if (relativeMove) {
        // A relative move of so many pixels moves the pointer by so many pixels' worth of axis
        // values from where it was left.
        x = OnGrid(x + static_cast<std::int64_t>(dx) * factorX, factorX, width);
        y = OnGrid(y + static_cast<std::int64_t>(dy) * factorY, factorY, height);
    }
    if (absoluteMove || relativeMove || remade) {
        Send(UinputDevice::Pointer, EV_ABS, ABS_X, x + factorX / 2);
        Send(UinputDevice::Pointer, EV_ABS, ABS_Y, y + factorY / 2);
    }
    if (flags & MOUSEEVENTF_LEFTDOWN) {
        Send(UinputDevice::Pointer, EV_KEY, BTN_LEFT, 1);
    }
    if (flags & MOUSEEVENTF_LEFTUP) {
        if (flags & MOUSEEVENTF_LEFTDOWN) {
            Send(UinputDevice::Pointer, EV_SYN, SYN_REPORT, 0);
        }
        Send(UinputDevice::Pointer, EV_KEY, BTN_LEFT, 0);
    }
    Send(UinputDevice::Pointer, EV_SYN, SYN_REPORT, 0);
}

void UinputInjector::Key(BYTE vk, DWORD flags) {
    const unsigned code = KeyCodeFor(vk);
    if (!code) {
        return;
    }
    std::lock_guard lock(mutex);
    Send(UinputDevice::Keyboard, EV_KEY, code, (flags & KEYEVENTF_KEYUP) ? 0 : 1);
    Send(UinputDevice::Keyboard, EV_SYN, SYN_REPORT, 0);
}

UinputDescription UinputInjector::PointerDescription(int width, int height) {
    return {.name = "Tapweave pointer",
            .bus = BUS_VIRTUAL,
            .vendor = vendorId,
            .product = pointerProductId,
            .properties = {INPUT_PROP_POINTER},
            .keys = {BTN_LEFT},
            .axes = {{ABS_X, AxisMaximum(width)}, {ABS_Y, AxisMaximum(height)}}};
}

UinputDescription UinputInjector::KeyboardDescription() {
    return {.name = "Tapweave keyboard",
            .bus = BUS_VIRTUAL,
            .vendor = vendorId,
            .product = keyboardProductId,
            .properties = {},
            .keys = {keyCodes.begin(), keyCodes.end()},
            .axes = {}};
}

int UinputInjector::AxisMaximum(int size) {
    return Factor(size) * std::max(size, 1) - 1;
}

unsigned UinputInjector::KeyCodeFor(BYTE vk) {
    for (const KeyEntry& entry : keyTable) {
        if (entry.vk == vk) {
            return entry.code;
        }
    }
    return 0;
}

std::span<const unsigned> UinputInjector::Keys() {
    return keyCodes;
}

} // namespace platform
