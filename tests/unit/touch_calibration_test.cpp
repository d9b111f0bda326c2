#include <gtest/gtest.h>

#include <chrono>

#include "AffineMap.h"
#include "SampleCollector.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "TouchPanel.h"

namespace {

struct Point {
    int x;
    int y;
};

Point Mapped(const AffineMap& map, int x, int y) {
    Point out{};
    map.Apply(x, y, out.x, out.y);
    return out;
}

} // namespace

TEST(TouchCalibration, PointsAreTheCentreThenTheInsetCornersClockwise) {
    const Point small[] = {{120, 160}, {30, 40}, {210, 40}, {210, 280}, {30, 280}};
    const Point large[] = {{960, 540}, {240, 135}, {1680, 135}, {1680, 945}, {240, 945}};
    for (int k = 0; k < 5; ++k) {
        TPDC_CALIBRATION_POINT point{k, 240, 320, 0, 0};
        ASSERT_TRUE(TouchPanelGetDeviceCaps(TPDC_CALIBRATION_POINT_ID, &point));
        EXPECT_EQ(point.CalibrationX, small[k].x) << k;
        EXPECT_EQ(point.CalibrationY, small[k].y) << k;
        point = {k, 1920, 1080, 0, 0};
        ASSERT_TRUE(TouchPanelGetDeviceCaps(TPDC_CALIBRATION_POINT_ID, &point));
        EXPECT_EQ(point.CalibrationX, large[k].x) << k;
        EXPECT_EQ(point.CalibrationY, large[k].y) << k;
    }
    TPDC_CALIBRATION_POINT point{5, 240, 320, 7, 9};
    EXPECT_FALSE(TouchPanelGetDeviceCaps(TPDC_CALIBRATION_POINT_ID, &point));
    point.PointNumber = -1;
    EXPECT_FALSE(TouchPanelGetDeviceCaps(TPDC_CALIBRATION_POINT_ID, &point));
    point = {0, 0, 320, 7, 9};
    EXPECT_FALSE(TouchPanelGetDeviceCaps(TPDC_CALIBRATION_POINT_ID, &point));
    EXPECT_EQ(point.CalibrationX, 7);
    point = {0, 240, 320, 0, 0};
    EXPECT_FALSE(TouchPanelGetDeviceCaps(1, &point));
    EXPECT_FALSE(TouchPanelGetDeviceCaps(TPDC_CALIBRATION_POINT_ID, nullptr));
}

TEST(TouchCalibration, ExactPairsGiveTheExactMap) {
    // A panel mounted upside down and rotated: screen x follows raw y, screen y falls as raw x
    // grows, with an offset on each axis.
    const int screenX[] = {120, 30, 210, 210, 30};
    const int screenY[] = {160, 40, 40, 280, 280};
    int rawX[5], rawY[5];
    for (int k = 0; k < 5; ++k) {
        rawX[k] = 4000 - 10 * screenY[k];
        rawY[k] = 3 * screenX[k] + 100;
    }
    const auto map = AffineMap::Fit(5, screenX, screenY, rawX, rawY);
    ASSERT_TRUE(map);
    for (int k = 0; k < 5; ++k) {
        const Point p = Mapped(*map, rawX[k], rawY[k]);
        EXPECT_EQ(p.x, 4 * screenX[k]);
        EXPECT_EQ(p.y, 4 * screenY[k]);
    }
    // Between the points, quarter pixels: raw y 101 is a third of a pixel right of 0.
    const Point between = Mapped(*map, 4000 - 10 * 100, 3 * 50 + 101);
    EXPECT_EQ(between.x, 4 * 50 + 1);
    EXPECT_EQ(between.y, 4 * 100);
}

TEST(TouchCalibration, NoisyPairsGiveTheLeastSquaresMap) {
    // Raw = 2 x screen, each of four corners off by one raw unit in a pattern whose fit is the
    // noiseless map, and the centre exact.
    const int screenX[] = {120, 30, 210, 210, 30};
    const int screenY[] = {160, 40, 40, 280, 280};
    const int rawX[] = {240, 61, 419, 421, 59};
    const int rawY[] = {320, 81, 79, 561, 559};
    const auto map = AffineMap::Fit(5, screenX, screenY, rawX, rawY);
    ASSERT_TRUE(map);
    const Point centre = Mapped(*map, 240, 320);
    EXPECT_NEAR(centre.x, 480, 1);
    EXPECT_NEAR(centre.y, 640, 1);
    const Point corner = Mapped(*map, 420, 560);
    EXPECT_NEAR(corner.x, 840, 2);
    EXPECT_NEAR(corner.y, 1120, 2);
    // The noise cancels out of the fit, and each noisy reading lands within a pixel of its point.
    for (int k = 0; k < 5; ++k) {
        const Point p = Mapped(*map, rawX[k], rawY[k]);
        EXPECT_NEAR(p.x, 4 * screenX[k], 4) << k;
        EXPECT_NEAR(p.y, 4 * screenY[k], 4) << k;
    }
}

TEST(TouchCalibration, DegenerateSetsAreRefused) {
    const int screenX[] = {120, 30, 210, 210, 30};
    const int screenY[] = {160, 40, 40, 280, 280};
    const int sameX[] = {500, 500, 500, 500, 500};
    const int rawY[] = {1, 5, 2, 4, 3};
    const int lineX[] = {10, 20, 30, 40, 50};
    const int lineY[] = {20, 40, 60, 80, 100};
    const int zeros[] = {0, 0, 0, 0, 0};
    EXPECT_FALSE(AffineMap::Fit(5, screenX, screenY, sameX, rawY));
    EXPECT_FALSE(AffineMap::Fit(5, screenX, screenY, lineX, lineY));
    EXPECT_FALSE(AffineMap::Fit(5, screenX, screenY, zeros, zeros));
    EXPECT_FALSE(AffineMap::Fit(2, screenX, screenY, lineX, rawY));
    EXPECT_FALSE(AffineMap::Fit(5, screenX, screenY, nullptr, rawY));
    EXPECT_TRUE(AffineMap::Fit(3, screenX, screenY, lineX, rawY));
    EXPECT_FALSE(TouchPanelSetCalibration(5, screenX, screenY, lineX, lineY));
    EXPECT_FALSE(TouchPanelSetCalibration(-1, screenX, screenY, lineX, lineY));
}

TEST(TouchCalibration, AxisRangesSpreadOverTheScreen) {
    const AffineMap map = AffineMap::Spread(0, 4095, 100, 1100, 240, 320);
    EXPECT_EQ(Mapped(map, 0, 100).x, 0);
    EXPECT_EQ(Mapped(map, 0, 100).y, 0);
    EXPECT_EQ(Mapped(map, 4095, 1100).x, 4 * 239);
    EXPECT_EQ(Mapped(map, 4095, 1100).y, 4 * 319);
    EXPECT_EQ(Mapped(AffineMap::Spread(5, 5, 0, 10, 240, 320), 5, 0).x, 0);
}

TEST(TouchCalibration, AScriptThroughTheCalibratedDriverGivesScreenQuarterPixels) {
    TempDevice device;
    // Raw positions are screen pixels mirrored left to right and doubled: raw x = 2 (239 - x).
    device.Write("script.txt", "0 down 478 0\n10 down 0 638\n20 up 238 320\n");
    const std::string source = "script:" + device.Host("script.txt");
    ScopedEnvironment touch("TAPWEAVE_TOUCH", source.c_str());
    const int screenX[] = {120, 30, 210, 210, 30};
    const int screenY[] = {160, 40, 40, 280, 280};
    int rawX[5], rawY[5];
    for (int k = 0; k < 5; ++k) {
        rawX[k] = 2 * (239 - screenX[k]);
        rawY[k] = 2 * screenY[k];
    }
    ASSERT_TRUE(TouchPanelSetCalibration(5, screenX, screenY, rawX, rawY));
    SampleCollector::Clear();
    ASSERT_TRUE(TouchPanelEnable(&SampleCollector::Callback));
    const auto samples = SampleCollector::WaitFor(4, std::chrono::seconds(5));
    TouchPanelDisable();
    ASSERT_EQ(samples.size(), 4u);
    EXPECT_EQ(samples[0].x, 0);
    EXPECT_EQ(samples[0].y, 0);
    EXPECT_EQ(samples[1].x, 4 * 239);
    EXPECT_EQ(samples[1].y, 4 * 319);
    EXPECT_EQ(samples[2].x, 4 * 120);
    EXPECT_EQ(samples[2].y, 4 * 160);
    EXPECT_EQ(samples[2].flags, TouchSampleValidFlag);
}
