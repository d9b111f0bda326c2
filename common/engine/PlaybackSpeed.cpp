#include "PlaybackSpeed.h"

#include "PlaybackClock.h"

void SetPlaybackSpeed(double factor) {
    if (factor >= 0.1 && factor <= 10) {
        PlaybackClock::SetSpeed(factor);
    }
}
