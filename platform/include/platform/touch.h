// The touch driver's interface, \Windows\touch.dll: what a program that takes the stylus samples
// itself resolves with GetProcAddressW and calls.
//
// Coordinates the driver delivers are calibrated quarter pixels (screen pixel * 4) in the
// panel's own frame, the frame of the unrotated display; a mouse's (TouchSampleMouse) are in the
// screen's frame. Until a calibration is set, a touch screen's raw axes are spread over the
// screen linearly from their ranges.
#pragma once

#include <cstdint>

#include "platform/types.h"

using INT = int;

// The bits of a sample's flags.
using TOUCH_PANEL_SAMPLE_FLAGS = DWORD;
#define TouchSampleValidFlag 0x01u
#define TouchSampleDownFlag 0x02u
// A sample of a mouse rather than of the panel: on a desktop the X pointer, whose position is a
// screen pixel (times 4) already turned with the display, and which no calibration concerns.
#define TouchSampleMouse 0x40000000u
// The device's panel never runs out of samples; a touch script does. When a source has no more,
// the driver calls the callback once more with only this flag, so that a program waiting for
// touches learns that none will come.
#define TouchSampleSourceEndedFlag 0x80000000u

// Called on the driver's own thread for every sample; the result is not used.
using PFN_TOUCH_PANEL_CALLBACK = BOOL (*)(TOUCH_PANEL_SAMPLE_FLAGS flags, INT x, INT y);

// TouchPanelGetDeviceCaps with this capability fills the screen position of one calibration
// point for a display of the given size.
#define TPDC_CALIBRATION_POINT_ID 2

struct TPDC_CALIBRATION_POINT {
    std::int32_t PointNumber;
    std::int32_t cDisplayWidth;
    std::int32_t cDisplayHeight;
    std::int32_t CalibrationX;
    std::int32_t CalibrationY;
};

// The driver's exports, by these names.
using PFN_TOUCH_PANEL_ENABLE = BOOL (*)(PFN_TOUCH_PANEL_CALLBACK callback);
using PFN_TOUCH_PANEL_DISABLE = void (*)();
using PFN_TOUCH_PANEL_GET_DEVICE_CAPS = BOOL (*)(INT capability, void* output);
using PFN_TOUCH_PANEL_SET_CALIBRATION = BOOL (*)(INT count, const INT* screenX, const INT* screenY,
                                                 const INT* rawX, const INT* rawY);
