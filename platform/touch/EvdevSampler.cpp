#include "EvdevSampler.h"

EvdevSampler::EvdevSampler(int x, int y) : x(x), y(y) {}

EvdevSampler::EvdevSampler(std::vector<Contact> slots, int slot)
    : slots(std::move(slots)), slot(slot) {}

bool EvdevSampler::Feed(const input_event& event, TouchSample& out) {
    if (event.type == EV_SYN) {
        if (event.code != SYN_REPORT) {
            return false;
        }
        const bool report = changed && (down || wasDown);
        changed = false;
        wasDown = down;
        if (report) {
            out = TouchSample{TouchSampleValidFlag | (down ? TouchSampleDownFlag : 0u), x, y};
        }
        return report;
    }
    if (slots.empty()) {
        FeedSingle(event);
    } else {
        FeedMulti(event);
    }
    return false;
}

bool EvdevSampler::Lift(TouchSample& out) {
    if (!wasDown) {
        return false;
    }
    out = TouchSample{TouchSampleValidFlag, x, y};
    down = wasDown = changed = false;
    followed = -1;
    return true;
}

void EvdevSampler::FeedSingle(const input_event& event) {
    if (event.type == EV_KEY && event.code == BTN_TOUCH) {
        down = event.value != 0;
        changed = true;
    } else if (event.type == EV_ABS && event.code == ABS_X) {
        x = event.value;
        changed = true;
    } else if (event.type == EV_ABS && event.code == ABS_Y) {
        y = event.value;
        changed = true;
    }
}

void EvdevSampler::FeedMulti(const input_event& event) {
    if (event.type != EV_ABS) {
        return;
    }
    if (event.code == ABS_MT_SLOT) {
        slot = event.value;
        return;
    }
    if (slot < 0 || static_cast<std::size_t>(slot) >= slots.size()) {
        return;
    }
    Contact& contact = slots[static_cast<std::size_t>(slot)];
    switch (event.code) {
    case ABS_MT_TRACKING_ID:
        if (slot == followed && event.value != contact.id) {
            // Lifted, or (after a resync) replaced by another contact in the same slot.
            followed = -1;
            down = false;
            changed = true;
        } else if (event.value >= 0 && event.value != contact.id && followed < 0 && !wasDown) {
            // A contact landing in the report that lifted the followed one is not followed:
            // one report gives one sample, and that one is the up.
            followed = slot;
            down = true;
            changed = true;
            x = contact.x;
            y = contact.y;
        }
        contact.id = event.value;
        break;
    case ABS_MT_POSITION_X:
        contact.x = event.value;
        if (slot == followed) {
            x = event.value;
            changed = true;
        }
        break;
    case ABS_MT_POSITION_Y:
        contact.y = event.value;
        if (slot == followed) {
            y = event.value;
            changed = true;
        }
        break;
    default:
        break;
    }
}
