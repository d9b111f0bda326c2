#include "Mouse.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>

#include "NumberScanner.h"
#include "platform/display.h"
#include "platform/input.h"

namespace {

// Pixels become absolute input coordinates (0 to 65535 across the screen) by these integer
// factors. The recorder recomputes them on its window thread while its touch thread plays
// steps, hence atomics; each is written whole.
std::atomic<int> scaleX{0};
std::atomic<int> scaleY{0};
// Where the last press or move put the stylus; a release goes there.
std::atomic<int> lastX{0};
std::atomic<int> lastY{0};
// Whether the last stylus step played in this process pressed the stylus without a release.
std::atomic<bool> pressed{false};

int ScaleFor(int pixels) {
    return pixels > 0 ? 65535 / pixels : 0;
}

// The products wrap like the platform's 32-bit arithmetic instead of overflowing: coordinates
// read from a file are injected as they stand, however far off the screen.
DWORD Scaled(int pixel, const std::atomic<int>& scale) {
    return static_cast<DWORD>(pixel) * static_cast<DWORD>(scale.load(std::memory_order_relaxed));
}

void Inject(DWORD flags, int x, int y) {
    mouse_event(MOUSEEVENTF_ABSOLUTE | flags, Scaled(x, scaleX), Scaled(y, scaleY), 0, 0);
}

// The factors are there before any step can be played.
[[maybe_unused]] const bool scaled = Mouse::OnScreenOrientationChange();

} // namespace

Mouse::Mouse(int x, int y) : x(x), y(y) {}

std::string Mouse::GetParams() {
    return std::to_string(x) + ' ' + std::to_string(y);
}

bool Mouse::NotEqual(int a, int b) const {
    if (a != x && b != y) {
        return true;
    }
    return std::llabs(static_cast<long long>(x) - a) > 1 ||
           std::llabs(static_cast<long long>(y) - b) > 1;
}

bool Mouse::OnScreenOrientationChange() {
    scaleX.store(ScaleFor(GetSystemMetrics(SM_CXSCREEN)), std::memory_order_relaxed);
    scaleY.store(ScaleFor(GetSystemMetrics(SM_CYSCREEN)), std::memory_order_relaxed);
    return true;
}

bool Mouse::ReadPosition(const std::string& params, int& x, int& y) {
    return NumberScanner::ReadPair(params, x, y);
}

void Mouse::InjectHere(DWORD flags) const {
    lastX.store(x, std::memory_order_relaxed);
    lastY.store(y, std::memory_order_relaxed);
    if (flags & MOUSEEVENTF_LEFTDOWN) {
        pressed.store(true, std::memory_order_relaxed);
    }
    Inject(flags, x, y);
}

void Mouse::InjectAtLast(DWORD flags) {
    if (flags & MOUSEEVENTF_LEFTUP) {
        pressed.store(false, std::memory_order_relaxed);
    }
    Inject(flags, lastX.load(std::memory_order_relaxed), lastY.load(std::memory_order_relaxed));
}

void Mouse::ReleaseIfPressed() {
    if (pressed.load(std::memory_order_relaxed)) {
        InjectAtLast(MOUSEEVENTF_LEFTUP);
    }
}
