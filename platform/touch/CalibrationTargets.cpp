#include "CalibrationTargets.h"

bool CalibrationTargets::Position(int index, int width, int height, int& x, int& y) {
    if (index < 0 || index >= count || width <= 0 || height <= 0) {
        return false;
    }
    const int left = width / 8;
    const int top = height / 8;
    const int right = width - width / 8;
    const int bottom = height - height / 8;
    const int positions[count][2] = {
        {width / 2, height / 2}, {left, top}, {right, top}, {right, bottom}, {left, bottom}};
    x = positions[index][0];
    y = positions[index][1];
    return true;
}
