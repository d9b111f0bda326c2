#include "EvdevPointerSampler.h"

#include <algorithm>

namespace {

constexpr int quarters = 4;

} // namespace

EvdevPointerSampler::EvdevPointerSampler(int width, int height, int padWidth, int padX, int padY)
    : width(width), height(height),
      padScale(padWidth > 0 ? static_cast<double>(width) / padWidth : 0.0), padX(padX), padY(padY),
      x(width / 2), y(height / 2) {}

bool EvdevPointerSampler::Feed(const input_event& event, TouchSample& out) {
    switch (event.type) {
    case EV_SYN:
        if (event.code == SYN_REPORT) {
            if (!rebase) {
                Move(x, padMoveX * padScale, width);
                Move(y, padMoveY * padScale, height);
            }
            padMoveX = padMoveY = 0;
            rebase = false;
            const bool report = changed && (down || wasDown);
            changed = false;
            wasDown = down;
            if (report) {
                out = Sample();
            }
            return report;
        }
        break;
    case EV_REL:
        if (event.code == REL_X) {
            Move(x, event.value, width);
        } else if (event.code == REL_Y) {
            Move(y, event.value, height);
        }
        break;
    case EV_ABS:
        if (event.code == ABS_X) {
            padMoveX += event.value - padX;
            padX = event.value;
        } else if (event.code == ABS_Y) {
            padMoveY += event.value - padY;
            padY = event.value;
        }
        break;
    case EV_KEY:
        if (event.code == BTN_LEFT) {
            down = event.value != 0;
            changed = true;
        } else if (event.code >= BTN_TOOL_PEN && event.code <= BTN_TOOL_QUADTAP) {
            // BTN_TOUCH and the finger counts among them.
            rebase = true;
        }
        break;
    default:
        break;
    }
    return false;
}

bool EvdevPointerSampler::Lift(TouchSample& out) {
    if (!wasDown) {
        return false;
    }
    down = wasDown = changed = false;
    out = Sample();
    return true;
}

void EvdevPointerSampler::Move(double& position, double by, int size) {
    const double moved = std::clamp(position + by, 0.0, static_cast<double>(size - 1));
    changed = changed || moved != position;
    position = moved;
}

TouchSample EvdevPointerSampler::Sample() const {
    return TouchSample{TouchSampleValidFlag | (down ? TouchSampleDownFlag : 0u),
                       static_cast<int>(x) * quarters, static_cast<int>(y) * quarters};
}
