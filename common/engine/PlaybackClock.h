// The running deadline of a macro played on this thread. While Macros::Play runs, each pause
// ends at the previous deadline plus its length, so the time the steps between pauses take and
// the overshoot of each wait never add up over a long macro. A step that waits on purpose or
// starts a program restarts the deadline from the moment it returns, and so does a stall: when
// a pause begins more than a millisecond after the deadline (the display or a journal reader
// held a step up), it is measured from that moment, so no pause is cut to make up for lost
// time. Outside Macros::Play a pause simply sleeps its length.
#pragma once

#include "platform/types.h"

class PlaybackClock {
  public:
    // Starts a deadline at the present moment for the lifetime of this object.
    PlaybackClock();
    ~PlaybackClock();
    PlaybackClock(const PlaybackClock&) = delete;
    PlaybackClock& operator=(const PlaybackClock&) = delete;

    // Waits the milliseconds, divided by the speed, from the running deadline, or sleeps them
    // when none runs.
    static void Advance(DWORD milliseconds);
    // Moves the running deadline, if any, to the present moment.
    static void Restart();
    // How much faster than recorded every playback of the process runs its pauses.
    static void SetSpeed(double factor);
};
