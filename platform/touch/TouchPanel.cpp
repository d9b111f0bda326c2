#include "TouchPanel.h"

#include "CalibrationTargets.h"
#include "TouchDriver.h"

BOOL TouchPanelEnable(PFN_TOUCH_PANEL_CALLBACK callback) {
    return TouchDriver::Instance().Enable(callback);
}

void TouchPanelDisable() {
    TouchDriver::Instance().Disable();
}

BOOL TouchPanelGetDeviceCaps(INT capability, void* output) {
    if (capability != TPDC_CALIBRATION_POINT_ID || !output) {
        return FALSE;
    }
    auto* point = static_cast<TPDC_CALIBRATION_POINT*>(output);
    int x = 0, y = 0;
    if (!CalibrationTargets::Position(point->PointNumber, point->cDisplayWidth,
                                      point->cDisplayHeight, x, y)) {
        return FALSE;
    }
    point->CalibrationX = x;
    point->CalibrationY = y;
    return TRUE;
}

BOOL TouchPanelSetCalibration(INT count, const INT* screenX, const INT* screenY, const INT* rawX,
                              const INT* rawY) {
    return TouchDriver::Instance().SetCalibration(count, screenX, screenY, rawX, rawY);
}
