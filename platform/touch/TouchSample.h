// One sample as a touch source reports it and as the driver hands it on: the sample flags and a
// position (raw from a source, calibrated quarter pixels from the driver).
#pragma once

#include "platform/touch.h"

struct TouchSample {
    TOUCH_PANEL_SAMPLE_FLAGS flags;
    int x;
    int y;
};
