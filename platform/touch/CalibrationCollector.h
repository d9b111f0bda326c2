// The raw readings of the five calibration points: the samples of each touch (valid and down,
// up to the valid up sample that ends it) are averaged into one reading, point by point.
#pragma once

#include <string>

#include "CalibrationTargets.h"
#include "platform/touch.h"

class CalibrationCollector {
  public:
    // Takes one uncalibrated sample; true when it ended a touch and so completed a point.
    bool Feed(DWORD flags, int x, int y);
    // The point the next touch is for (CalibrationTargets::count once all are read).
    int Point() const { return point; }
    bool Done() const { return point == CalibrationTargets::count; }
    // The readings as "CalibrationData" holds them: "x,y x,y x,y x,y x,y", point 0 first.
    std::string Value() const;

  private:
    int point = 0;
    long long sumX = 0;
    long long sumY = 0;
    long long samples = 0;
    int readingX[CalibrationTargets::count] = {};
    int readingY[CalibrationTargets::count] = {};
};
