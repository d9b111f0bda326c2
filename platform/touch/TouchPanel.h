// The exports of the touch driver library, for programs that link it rather than load it.
#pragma once

#include "platform/touch.h"

#define TOUCH_PANEL_EXPORT extern "C" __attribute__((visibility("default")))

TOUCH_PANEL_EXPORT BOOL TouchPanelEnable(PFN_TOUCH_PANEL_CALLBACK callback);
TOUCH_PANEL_EXPORT void TouchPanelDisable();
TOUCH_PANEL_EXPORT BOOL TouchPanelGetDeviceCaps(INT capability, void* output);
TOUCH_PANEL_EXPORT BOOL TouchPanelSetCalibration(INT count, const INT* screenX, const INT* screenY,
                                                 const INT* rawX, const INT* rawY);
