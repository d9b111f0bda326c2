// Turns a touch screen's or tablet's events into samples: BTN_TOUCH gives down and up, ABS_X and
// ABS_Y (or, for a multi-touch device, the first slot's ABS_MT_POSITION_X/Y and tracking id)
// give the position, and each SYN_REPORT that changed something while the stylus was down, or
// lifted it, gives one sample. Motion while nothing touches (a tablet's hover) gives none.
// After SYN_DROPPED, events up to the next SYN_REPORT are ignored.
#pragma once

#include <linux/input.h>

#include "TouchSample.h"

class EvdevSampler {
  public:
    // True with a sample in out when the event completes one.
    bool Feed(const input_event& event, TouchSample& out);

  private:
    int x = 0;
    int y = 0;
    bool down = false;
    bool wasDown = false;
    bool changed = false;
    bool dropping = false;
    int slot = 0;
};
