#include "TouchCallback.h"

#include <algorithm>
#include <utility>

#include "RecordSample.h"
#include "TouchHook.h"
#include "platform/display.h"

namespace {

int LongSide() {
    static const int side = std::max(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return side;
}

// The panel turned by 270 degrees puts its short side across the screen's height.
int ShortSide() {
    static const int side = std::min(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return side;
}

// Turned by 180 degrees, the panel keeps its width and height.
std::pair<int, int> UpsideDownSides() {
    static const std::pair<int, int> sides{GetSystemMetrics(SM_CXSCREEN),
                                           GetSystemMetrics(SM_CYSCREEN)};
    return sides;
}

} // namespace

void ToScreenPoint(DWORD orientation, INT x, INT y, int& screenX, int& screenY) {
    const int x4 = x / 4;
    const int y4 = y / 4;
    switch (orientation) {
    case DMDO_90:
        screenX = LongSide() - y4;
        screenY = x4;
        break;
    case DMDO_180:
        screenX = UpsideDownSides().first - x4;
        screenY = UpsideDownSides().second - y4;
        break;
    case DMDO_270:
        screenX = y4;
        screenY = ShortSide() - x4;
        break;
    default:
        screenX = x4;
        screenY = y4;
        break;
    }
}

BOOL TouchCallback(TOUCH_PANEL_SAMPLE_FLAGS flags, INT x, INT y) {
    int screenX = 0;
    int screenY = 0;
    // A mouse's samples are in the screen's frame already.
    const DWORD orientation =
        (flags & TouchSampleMouse) != 0 ? DMDO_0 : TouchHook::GetInstance().Orientation();
    ToScreenPoint(orientation, x, y, screenX, screenY);
    if ((flags & TouchSampleValidFlag) == 0) {
        return TRUE;
    }
    RecordSample((flags & TouchSampleDownFlag) != 0, screenX, screenY);
    return TRUE;
}
