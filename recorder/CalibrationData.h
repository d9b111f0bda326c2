// The stored touch calibration, "CalibrationData" under HKLM\HARDWARE\DEVICEMAP\TOUCH: five
// pairs of raw driver coordinates, "x,y" each, separated by white space.
#pragma once

#include "platform/touch.h"

constexpr int calibrationPointCount = 5;

// Fills the raw x and y of the five points; false unless all ten numbers are there.
bool ParseCalibrationData(const wchar_t* text, INT rawX[calibrationPointCount],
                          INT rawY[calibrationPointCount]);
