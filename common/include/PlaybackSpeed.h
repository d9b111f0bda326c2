// How fast the macros of this process play: every pause lasts its recorded length divided by
// the factor. The key hold of a keyboard step and the wait for the Today screen are not pauses
// and keep their length.
#pragma once

#include "CommonApi.h"

// The factor, from 0.1 (ten times slower) to 10 (ten times faster); 1 as recorded. A factor
// outside that range changes nothing.
COMMON_EXPORT void SetPlaybackSpeed(double factor);
