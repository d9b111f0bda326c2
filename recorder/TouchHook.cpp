#include "TouchHook.h"

#include "CalibrationData.h"
#include "GetDisplayOrientation.h"
#include "TouchCallback.h"
#include "platform/display.h"
#include "platform/modules.h"
#include "platform/registry.h"
#include "platform/touch.h"

namespace {

// The stored calibration is read into a buffer of this many wide characters.
constexpr DWORD calibrationTextLength = 1000;

// The driver library, loaded once for the life of the process and never freed; a load that
// failed is not tried again.
HMODULE DriverModule() {
    static const HMODULE module = LoadLibraryW(L"\\Windows\\touch.dll");
    return module;
}

} // namespace

TouchHook& TouchHook::GetInstance() {
    static TouchHook hook;
    return hook;
}

TouchHook::TouchHook()
    : calibrated(false), capturing(false), orientation(GetDisplayOrientation()), rectX(0), rectY(0),
      rectWidth(0), rectHeight(0) {}

void TouchHook::Calibrate() {
    if (IsCalibrated()) {
        return;
    }
    const HMODULE module = DriverModule();
    const auto enable =
        reinterpret_cast<PFN_TOUCH_PANEL_ENABLE>(GetProcAddressW(module, L"TouchPanelEnable"));
    const auto getDeviceCaps = reinterpret_cast<PFN_TOUCH_PANEL_GET_DEVICE_CAPS>(
        GetProcAddressW(module, L"TouchPanelGetDeviceCaps"));
    const auto setCalibration = reinterpret_cast<PFN_TOUCH_PANEL_SET_CALIBRATION>(
        GetProcAddressW(module, L"TouchPanelSetCalibration"));
    if (enable == nullptr || enable(TouchCallback) == FALSE) {
        return;
    }
    capturing.store(true, std::memory_order_release);
    // The callback stays registered from here on, whether or not a calibration follows.
    if (getDeviceCaps == nullptr || setCalibration == nullptr) {
        return;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\TOUCH", 0, 0, &key) ==
        ERROR_SUCCESS) {
        wchar_t text[calibrationTextLength] = {};
        DWORD size = sizeof(text);
        INT rawX[calibrationPointCount] = {};
        INT rawY[calibrationPointCount] = {};
        if (RegQueryValueExW(key, L"CalibrationData", nullptr, nullptr,
                             reinterpret_cast<LPBYTE>(text), &size) == ERROR_SUCCESS &&
            ParseCalibrationData(text, rawX, rawY)) {
            const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
            const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
            INT screenX[calibrationPointCount] = {};
            INT screenY[calibrationPointCount] = {};
            for (int k = 0; k < calibrationPointCount; ++k) {
                TPDC_CALIBRATION_POINT point{k, screenWidth, screenHeight, 0, 0};
                if (getDeviceCaps(TPDC_CALIBRATION_POINT_ID, &point) != FALSE) {
                    screenX[k] = point.CalibrationX;
                    screenY[k] = point.CalibrationY;
                }
            }
            calibrated.store(setCalibration(calibrationPointCount, screenX, screenY, rawX, rawY) !=
                                 FALSE,
                             std::memory_order_release);
        }
    }
    RegCloseKey(key);
}

bool TouchHook::UpdateOrientation() {
    orientation.store(GetDisplayOrientation(), std::memory_order_relaxed);
    return true;
}

void TouchHook::SetRect(int x, int y, int width, int height) {
    rectX.store(x, std::memory_order_relaxed);
    rectY.store(y, std::memory_order_relaxed);
    rectWidth.store(width, std::memory_order_relaxed);
    rectHeight.store(height, std::memory_order_relaxed);
}

void TouchHook::SetPosition(int x, int y) {
    rectX.store(x, std::memory_order_relaxed);
    rectY.store(y, std::memory_order_relaxed);
}

bool TouchHook::IsOutside(int x, int y) const {
    const int left = rectX.load(std::memory_order_relaxed);
    const int top = rectY.load(std::memory_order_relaxed);
    const bool inside = left <= x && x <= left + rectWidth.load(std::memory_order_relaxed) &&
                        top <= y && y <= top + rectHeight.load(std::memory_order_relaxed);
    return !inside;
}
