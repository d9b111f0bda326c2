// Press, move and release steps: their text, their injection and the position rule.
#include <gtest/gtest.h>

#include <memory>

#include "ActionRegistry.h"
#include "FixedDisplay.h"
#include "MouseLeftDown.h"
#include "MouseLeftUp.h"
#include "MouseMove.h"
#include "RecordingInjector.h"
#include "platform/input.h"

namespace {

constexpr DWORD pressFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
constexpr DWORD moveFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
constexpr DWORD releaseFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP;

std::unique_ptr<Action> Line(const std::string& keyword, const std::string& params) {
    return std::unique_ptr<Action>(ActionRegistry::GetInstance().Create(keyword, params));
}

// Kept first: no stylus step has been played in this process yet.
TEST(Stylus, ReleaseBeforeAnyPressGoesToTheOrigin) {
    FixedDisplay display(240, 320);
    Mouse::OnScreenOrientationChange();
    RecordingInjector injector;
    MouseLeftUp(100, 100).Play();
    ASSERT_EQ(injector.events.size(), 1u);
    EXPECT_EQ(injector.events[0].flags, releaseFlags);
    EXPECT_EQ(injector.events[0].dx, 0);
    EXPECT_EQ(injector.events[0].dy, 0);
}

TEST(Stylus, PositionsAreScaledByTheScreenAndItsRotation) {
    FixedDisplay display(240, 320);
    Mouse::OnScreenOrientationChange();
    RecordingInjector injector;
    MouseLeftDown(100, 200).Play();
    MouseMove(239, 319).Play();
    MouseLeftDown(-1, 0).Play();

    display.screen = {320, 240, DMDO_90};
    MouseMove(100, 200).Play(); // the factors stay until told about the rotation
    Mouse::OnScreenOrientationChange();
    MouseMove(100, 200).Play();

    ASSERT_EQ(injector.events.size(), 5u);
    const std::pair<LONG, LONG> expected[] = {
        {27300, 40800}, {65247, 65076}, {-273, 0}, {27300, 40800}, {20400, 54600}};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(injector.events[i].dx, expected[i].first) << i;
        EXPECT_EQ(injector.events[i].dy, expected[i].second) << i;
    }
    EXPECT_EQ(injector.events[0].flags, pressFlags);
    EXPECT_EQ(injector.events[1].flags, moveFlags);
}

TEST(Stylus, ReleaseGoesWhereTheLastPressOrMoveLeftTheStylus) {
    FixedDisplay display(240, 320);
    Mouse::OnScreenOrientationChange();
    RecordingInjector injector;
    for (const auto& [keyword, params] :
         {std::pair{"Press", "50 60"}, {"Move", "70 80"}, {"Release", ""}, {"Release", "5 5"}}) {
        ASSERT_TRUE(Line(keyword, params)->Play());
    }
    ASSERT_EQ(injector.events.size(), 4u);
    for (std::size_t i = 2; i < 4; ++i) {
        EXPECT_EQ(injector.events[i].flags, releaseFlags);
        EXPECT_EQ(injector.events[i].dx, 70 * 273);
        EXPECT_EQ(injector.events[i].dy, 80 * 204);
    }
}

TEST(Stylus, PositionsReadLikeScanfOfTwoIntegers) {
    EXPECT_EQ(Line("Press", "10 20")->GetParams(), "10 20");
    EXPECT_EQ(Line("Move", " 7   8xyz")->GetParams(), "7 8");
    EXPECT_EQ(Line("Press", "1 2 3")->GetParams(), "1 2");
    EXPECT_EQ(Line("Press", "-3 300")->GetParams(), "-3 300");
    EXPECT_EQ(Line("Move", "4 5\r")->GetParams(), "4 5");
    for (const char* bad : {"10", "a b", "10,20", "", "- 5 6"}) {
        EXPECT_EQ(Line("Press", bad), nullptr) << bad;
        EXPECT_EQ(Line("Move", bad), nullptr) << bad;
    }
    EXPECT_EQ(Line("Release", "5 5")->GetParams(), "");
    EXPECT_EQ(Line("Release", "anything")->GetKeyword(), "Release");
}

TEST(Stylus, NewPositionNeedsBothAxesOrTwoPixels) {
    const MouseMove move(10, 10);
    const Mouse& mouse = move;
    EXPECT_FALSE(mouse.NotEqual(10, 10));
    EXPECT_FALSE(mouse.NotEqual(11, 10));
    EXPECT_FALSE(mouse.NotEqual(10, 9));
    EXPECT_TRUE(mouse.NotEqual(12, 10));
    EXPECT_TRUE(mouse.NotEqual(11, 11));
    EXPECT_TRUE(mouse.NotEqual(9, 9));
    EXPECT_TRUE(MouseLeftDown(0, 0).NotEqual(-2147483647 - 1, 0));

    const MouseLeftUp release(10, 10);
    const Mouse& up = release;
    EXPECT_FALSE(up.NotEqual(10, 10));
    EXPECT_TRUE(up.NotEqual(11, 10));
}

} // namespace
