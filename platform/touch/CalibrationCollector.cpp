#include "CalibrationCollector.h"

#include <cmath>
#include <cstdio>

bool CalibrationCollector::Feed(DWORD flags, int x, int y) {
    if (Done() || !(flags & TouchSampleValidFlag)) {
        return false;
    }
    if (flags & TouchSampleDownFlag) {
        sumX += x;
        sumY += y;
        ++samples;
        return false;
    }
    if (samples == 0) {
        return false;
    }
    readingX[point] = static_cast<int>(std::llround(static_cast<double>(sumX) / samples));
    readingY[point] = static_cast<int>(std::llround(static_cast<double>(sumY) / samples));
    ++point;
    sumX = sumY = samples = 0;
    return true;
}

std::string CalibrationCollector::Value() const {
    char text[128];
    std::snprintf(text, sizeof text, "%d,%d %d,%d %d,%d %d,%d %d,%d", readingX[0], readingY[0],
                  readingX[1], readingY[1], readingX[2], readingY[2], readingX[3], readingY[3],
                  readingX[4], readingY[4]);
    return text;
}
