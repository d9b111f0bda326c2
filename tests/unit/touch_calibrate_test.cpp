#include <gtest/gtest.h>

#include "CalibrationCollector.h"

namespace {

constexpr DWORD down = TouchSampleValidFlag | TouchSampleDownFlag;
constexpr DWORD up = TouchSampleValidFlag;

} // namespace

TEST(TouchCalibrate, EachTouchIsAveragedIntoOneReading) {
    CalibrationCollector collector;
    // Stray samples before a touch and invalid ones during it count for nothing.
    EXPECT_FALSE(collector.Feed(up, 999, 999));
    EXPECT_FALSE(collector.Feed(down, 100, 200));
    EXPECT_FALSE(collector.Feed(TouchSampleDownFlag, 5000, 5000));
    EXPECT_FALSE(collector.Feed(down, 103, 201));
    EXPECT_FALSE(collector.Feed(down, 102, 203));
    EXPECT_TRUE(collector.Feed(up, 0, 0));
    EXPECT_EQ(collector.Point(), 1);
    // Averages round to the nearest, negative ones too.
    EXPECT_FALSE(collector.Feed(down, -10, 7));
    EXPECT_FALSE(collector.Feed(down, -11, 8));
    EXPECT_TRUE(collector.Feed(up, -11, 8));
    for (int k = 2; k < 5; ++k) {
        EXPECT_FALSE(collector.Done());
        collector.Feed(down, 1000 * k, 2000 * k);
        EXPECT_TRUE(collector.Feed(up, 1000 * k, 2000 * k));
    }
    EXPECT_TRUE(collector.Done());
    EXPECT_FALSE(collector.Feed(down, 1, 1));
    EXPECT_FALSE(collector.Feed(up, 1, 1));
    EXPECT_EQ(collector.Value(), "102,201 -11,8 2000,4000 3000,6000 4000,8000");
}

TEST(TouchCalibrate, ExtremeReadingsKeepTheirForm) {
    CalibrationCollector collector;
    for (int k = 0; k < 5; ++k) {
        collector.Feed(down, 2147483647, -2147483647 - 1);
        collector.Feed(down, 2147483647, -2147483647 - 1);
        collector.Feed(up, 0, 0);
    }
    EXPECT_EQ(collector.Value(), "2147483647,-2147483648 2147483647,-2147483648 "
                                 "2147483647,-2147483648 2147483647,-2147483648 "
                                 "2147483647,-2147483648");
}
