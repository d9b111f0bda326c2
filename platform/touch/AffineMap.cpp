#include "AffineMap.h"

#include <climits>
#include <cmath>

namespace {

// A quarter pixel is the unit the driver delivers.
constexpr double quarters = 4.0;

int Rounded(double value) {
    if (!(value > INT_MIN)) {
        return INT_MIN;
    }
    if (!(value < INT_MAX)) {
        return INT_MAX;
    }
    return static_cast<int>(std::lround(value));
}

} // namespace

AffineMap::AffineMap(double a, double b, double c, double d, double e, double f)
    : a(a), b(b), c(c), d(d), e(e), f(f) {}

AffineMap AffineMap::Identity() {
    return AffineMap(1, 0, 0, 0, 1, 0);
}

AffineMap AffineMap::Spread(int minX, int maxX, int minY, int maxY, int width, int height) {
    const double spanX = static_cast<double>(maxX) - minX;
    const double spanY = static_cast<double>(maxY) - minY;
    const double scaleX = spanX > 0 ? quarters * (width - 1) / spanX : 0;
    const double scaleY = spanY > 0 ? quarters * (height - 1) / spanY : 0;
    return AffineMap(scaleX, 0, -scaleX * minX, 0, scaleY, -scaleY * minY);
}

std::optional<AffineMap> AffineMap::Fit(int count, const int* screenX, const int* screenY,
                                        const int* rawX, const int* rawY) {
    if (count < 3 || !screenX || !screenY || !rawX || !rawY) {
        return std::nullopt;
    }
    // Raw positions are taken about their mean, so the constant term separates from the two
    // slopes and a 2x2 system remains.
    double meanX = 0, meanY = 0, meanScreenX = 0, meanScreenY = 0;
    for (int i = 0; i < count; ++i) {
        meanX += rawX[i];
        meanY += rawY[i];
        meanScreenX += screenX[i];
        meanScreenY += screenY[i];
    }
    meanX /= count;
    meanY /= count;
    meanScreenX /= count;
    meanScreenY /= count;
    double xx = 0, xy = 0, yy = 0, xToScreenX = 0, yToScreenX = 0, xToScreenY = 0, yToScreenY = 0;
    for (int i = 0; i < count; ++i) {
        const double x = rawX[i] - meanX;
        const double y = rawY[i] - meanY;
        xx += x * x;
        xy += x * y;
        yy += y * y;
        xToScreenX += x * screenX[i];
        yToScreenX += y * screenX[i];
        xToScreenY += x * screenY[i];
        yToScreenY += y * screenY[i];
    }
    const double determinant = xx * yy - xy * xy;
    // Points on one line leave the determinant at rounding noise of its terms.
    if (!(determinant > 1e-9 * xx * yy)) {
        return std::nullopt;
    }
    const double a = (yy * xToScreenX - xy * yToScreenX) / determinant;
    const double b = (xx * yToScreenX - xy * xToScreenX) / determinant;
    const double d = (yy * xToScreenY - xy * yToScreenY) / determinant;
    const double e = (xx * yToScreenY - xy * xToScreenY) / determinant;
    const double c = meanScreenX - a * meanX - b * meanY;
    const double f = meanScreenY - d * meanX - e * meanY;
    return AffineMap(quarters * a, quarters * b, quarters * c, quarters * d, quarters * e,
                     quarters * f);
}

void AffineMap::Apply(int x, int y, int& outX, int& outY) const {
    outX = Rounded(a * x + b * y + c);
    outY = Rounded(d * x + e * y + f);
}
