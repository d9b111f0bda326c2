// The driver's sample callback and its conversion of panel coordinates to screen pixels.
#pragma once

#include "platform/touch.h"

// A driver point (calibrated quarter pixels in the unrotated panel's frame) as a screen pixel
// for the display's rotation. The panel's sides are measured at the first rotated sample and
// kept: no system call is made per sample.
void ToScreenPoint(DWORD orientation, INT x, INT y, int& screenX, int& screenY);

// Called on the driver's thread for every sample: valid samples go to RecordSample in screen
// pixels (a mouse's are not turned again), invalid ones are dropped. Always TRUE.
BOOL TouchCallback(TOUCH_PANEL_SAMPLE_FLAGS flags, INT x, INT y);
