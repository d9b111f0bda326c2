// Where the five calibration points are on a screen, in the order the calibration screen shows
// them: point 0 at the centre, then points 1 to 4 inset by an eighth of the screen's width and
// height from its corners, clockwise from the top left (top left, top right, bottom right,
// bottom left). On 240x320: (120,160), (30,40), (210,40), (210,280), (30,280).
#pragma once

class CalibrationTargets {
  public:
    static constexpr int count = 5;
    // The screen pixel of point index on a width x height screen; false for an index outside
    // 0..4 or a screen without pixels.
    static bool Position(int index, int width, int height, int& x, int& y);
};
