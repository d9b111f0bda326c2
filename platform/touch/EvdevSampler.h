// Turns a touch screen's or tablet's events into samples, one stroke at a time. A single-touch
// device gives down and up with BTN_TOUCH and the position with ABS_X and ABS_Y. A multi-touch
// device (slots) gives its first contact down, followed by its tracking id until it lifts;
// contacts that come while it is down are not followed, and the kernel's single-touch
// emulation (ABS_X, ABS_Y, BTN_TOUCH), which reports the oldest contact still down, is
// ignored, so a stroke ends where its own contact lifted. Each SYN_REPORT that changed
// something while the stylus was down, or lifted it, gives one sample; motion while nothing
// touches (a tablet's hover) gives none.
#pragma once

#include <linux/input.h>
#include <vector>

#include "TouchSample.h"

class EvdevSampler {
  public:
    // One slot of a multi-touch device: its tracking id (-1 when empty) and position.
    struct Contact {
        int id = -1;
        int x = 0;
        int y = 0;
    };

    // A single-touch device whose axes stand at x, y: the kernel sends a value only when it
    // changes, so a touch at the same place as the last one brings no position.
    explicit EvdevSampler(int x = 0, int y = 0);
    // A multi-touch device with its slots as they stand and the slot its next events are for
    // (the kernel sends ABS_MT_SLOT only when that changes). Contacts already down are not
    // followed.
    EvdevSampler(std::vector<Contact> slots, int slot);

    // True with a sample in out when the event completes one.
    bool Feed(const input_event& event, TouchSample& out);
    // True with the up at the stroke's last place when a stroke is open: the device went away.
    bool Lift(TouchSample& out);

  private:
    void FeedSingle(const input_event& event);
    void FeedMulti(const input_event& event);

    std::vector<Contact> slots;
    int slot = 0;
    // The slot of the contact the stroke follows, -1 when none.
    int followed = -1;
    int x = 0;
    int y = 0;
    bool down = false;
    bool wasDown = false;
    bool changed = false;
};
