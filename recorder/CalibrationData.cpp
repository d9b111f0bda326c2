#include "CalibrationData.h"

#include <cwchar>

bool ParseCalibrationData(const wchar_t* text, INT rawX[calibrationPointCount],
                          INT rawY[calibrationPointCount]) {
    return std::swscanf(text, L"%d,%d %d,%d %d,%d %d,%d %d,%d", &rawX[0], &rawY[0], &rawX[1],
                        &rawY[1], &rawX[2], &rawY[2], &rawX[3], &rawY[3], &rawX[4],
                        &rawY[4]) == 2 * calibrationPointCount;
}
