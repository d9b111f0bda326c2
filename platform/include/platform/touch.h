// The touch driver's interface, \Windows\touch.dll: what a program that takes the stylus samples
// itself resolves with GetProcAddressW and calls.
//
// Coordinates the driver delivers are calibrated quarter pixels (screen pixel * 4) in the
// panel's own frame, the frame of the unrotated display. Until a calibration is set, a touch
// screen's raw axes are spread over the screen linearly from their ranges.
#pragma once

#include <cstdint>

#include "platform/types.h"

using INT = int;

// The bits of a sample's flags.
using TOUCH_PANEL_SAMPLE_FLAGS = DWORD;
#define TouchSampleValidFlag 0x01u
#define TouchSampleDownFlag 0x02u

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
