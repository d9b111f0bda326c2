// Turns a mouse's or a touchpad's events into stylus samples at a position kept here, since
// the device is grabbed and the desktop's pointer moves only where the recorder replays: it
// starts in the middle of the screen, moves with the motion (a mouse's REL_X/REL_Y counts as
// pixels; a touchpad's finger, through its single-touch ABS_X/ABS_Y, so that the pad's width
// crosses the screen once) and stays on the screen. BTN_LEFT is the stylus. The samples are
// quarter pixels in the screen's frame, as the X pointer's; motion with the button up gives
// none.
#pragma once

#include <linux/input.h>

#include "TouchSample.h"

class EvdevPointerSampler {
  public:
    // A mouse over a screen of width x height pixels; for a touchpad, padWidth is the span of
    // its ABS_X axis and padX, padY where its axes stand.
    EvdevPointerSampler(int width, int height, int padWidth = 0, int padX = 0, int padY = 0);

    // True with a sample in out when the event completes one.
    bool Feed(const input_event& event, TouchSample& out);
    // True with the up at the last place when the button is held: the device went away.
    bool Lift(TouchSample& out);

  private:
    void Move(double& position, double by, int size);
    TouchSample Sample() const;

    int width;
    int height;
    // Pixels per touchpad unit.
    double padScale;
    int padX;
    int padY;
    // The touchpad's motion in this report, applied at its end unless a finger landed or the
    // fingers changed in it: the emulated position then jumps to another finger, which is no
    // motion.
    int padMoveX = 0;
    int padMoveY = 0;
    bool rebase = false;
    double x;
    double y;
    bool down = false;
    bool wasDown = false;
    bool changed = false;
};
