#include "UinputInjector.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <linux/input.h>

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

} // namespace

std::unique_ptr<UinputInjector> UinputInjector::Open(std::string& error) {
    const ScreenState screen = Display::Current().Screen();
    auto sink =
        LibevdevSink::Create(AxisMaximum(screen.width), AxisMaximum(screen.height), Keys(), error);
    return sink ? std::make_unique<UinputInjector>(std::move(sink), screen.width, screen.height)
                : nullptr;
}

UinputInjector::UinputInjector(std::unique_ptr<UinputSink> sink, int width, int height)
    : sink(std::move(sink)), factorX(Factor(width)), factorY(Factor(height)),
      maxX(AxisMaximum(width)), maxY(AxisMaximum(height)) {}

// The flags may combine: the move goes first, then the press, then the release. A press and
// a release in one call go out as two reports, or the release would cancel the press unseen.
void UinputInjector::Mouse(DWORD flags, LONG dx, LONG dy) {
    const bool absolute = flags & MOUSEEVENTF_ABSOLUTE;
    std::lock_guard lock(mutex);
    std::int64_t toX = x, toY = y;
    bool moves = false;
    if (absolute && (flags & (MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP))) {
        toX = dx;
        toY = dy;
        moves = true;
    } else if (!absolute && (flags & MOUSEEVENTF_MOVE)) {
        // The pointer has absolute axes only: a relative move of so many pixels moves it by
        // so many pixels' worth of axis values from where it was left.
        toX += static_cast<std::int64_t>(dx) * factorX;
        toY += static_cast<std::int64_t>(dy) * factorY;
        moves = true;
    }
    bool open = false;
    if (moves) {
        x = static_cast<int>(std::clamp<std::int64_t>(toX, 0, maxX));
        y = static_cast<int>(std::clamp<std::int64_t>(toY, 0, maxY));
        sink->Write(UinputDevice::Pointer, EV_ABS, ABS_X, x);
        sink->Write(UinputDevice::Pointer, EV_ABS, ABS_Y, y);
        open = true;
    }
    if (flags & MOUSEEVENTF_LEFTDOWN) {
        sink->Write(UinputDevice::Pointer, EV_KEY, BTN_LEFT, 1);
        open = true;
    }
    if (flags & MOUSEEVENTF_LEFTUP) {
        if (flags & MOUSEEVENTF_LEFTDOWN) {
            sink->Write(UinputDevice::Pointer, EV_SYN, SYN_REPORT, 0);
        }
        sink->Write(UinputDevice::Pointer, EV_KEY, BTN_LEFT, 0);
        open = true;
    }
    if (open) {
        sink->Write(UinputDevice::Pointer, EV_SYN, SYN_REPORT, 0);
    }
}

void UinputInjector::Key(BYTE vk, DWORD flags) {
    const unsigned code = KeyCodeFor(vk);
    if (!code) {
        return;
    }
    std::lock_guard lock(mutex);
    sink->Write(UinputDevice::Keyboard, EV_KEY, code, (flags & KEYEVENTF_KEYUP) ? 0 : 1);
    sink->Write(UinputDevice::Keyboard, EV_SYN, SYN_REPORT, 0);
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
