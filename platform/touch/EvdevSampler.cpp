#include "EvdevSampler.h"

bool EvdevSampler::Feed(const input_event& event, TouchSample& out) {
    if (event.type == EV_SYN) {
        if (event.code == SYN_DROPPED) {
            dropping = true;
            return false;
        }
        if (event.code != SYN_REPORT) {
            return false;
        }
        const bool report = !dropping && changed && (down || wasDown);
        dropping = false;
        changed = false;
        if (!report) {
            wasDown = down;
            return false;
        }
        out = TouchSample{TouchSampleValidFlag | (down ? TouchSampleDownFlag : 0u), x, y};
        wasDown = down;
        return true;
    }
    if (dropping) {
        return false;
    }
    if (event.type == EV_KEY && event.code == BTN_TOUCH) {
        down = event.value != 0;
        changed = true;
    } else if (event.type == EV_ABS) {
        switch (event.code) {
        case ABS_X:
            x = event.value;
            changed = true;
            break;
        case ABS_Y:
            y = event.value;
            changed = true;
            break;
        case ABS_MT_SLOT:
            slot = event.value;
            break;
        case ABS_MT_POSITION_X:
            if (slot == 0) {
                x = event.value;
                changed = true;
            }
            break;
        case ABS_MT_POSITION_Y:
            if (slot == 0) {
                y = event.value;
                changed = true;
            }
            break;
        case ABS_MT_TRACKING_ID:
            if (slot == 0) {
                down = event.value >= 0;
                changed = true;
            }
            break;
        default:
            break;
        }
    }
    return false;
}
