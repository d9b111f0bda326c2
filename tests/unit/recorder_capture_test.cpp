// The recorder's capture: panel points turned into screen pixels for each rotation, the window's
// rectangle that keeps its own taps out of the macro, the stored calibration's text, and the
// samples turned into stylus steps, handed to a document that records what it is given and
// played into an injector that records what it injects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CalibrationData.h"
#include "FixedDisplay.h"
#include "Macros.h"
#include "Mouse.h"
#include "RecordSample.h"
#include "RecordingInjector.h"
#include "TouchCallback.h"
#include "TouchHook.h"
#include "platform/input.h"

namespace {

struct Handed {
    std::string keyword;
    std::string params;
    int kind;

    bool operator==(const Handed&) const = default;
};

// The document as the recorder sees it: every Add is noted, whatever the recording state.
class RecordingDocument : public Macros {
  public:
    bool Load(const std::wstring&) override { return false; }
    bool Play() override { return true; }
    void StartRecording() override {}
    void StopRecording() override {}
    void Add(ActionPtr action, int kind) override {
        handed.push_back({action->GetKeyword(), action->GetParams(), kind});
    }

    std::vector<Handed> handed;
};

RecordingDocument& Document() {
    static RecordingDocument document;
    return document;
}

constexpr DWORD down = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
constexpr DWORD move = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
constexpr DWORD up = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP;

struct Injected {
    DWORD flags;
    LONG x; // pixels
    LONG y;

    bool operator==(const Injected&) const = default;
};

} // namespace

// The recorder reaches the document only through GetInstance: here it is the recording one.
Macros& Macros::GetInstance() {
    return Document();
}

namespace {

// On a 240 x 320 screen, with the recorder window at (100, 50), 34 x 18.
class Samples : public ::testing::Test {
  protected:
    void SetUp() override {
        Mouse::OnScreenOrientationChange();
        TouchHook::GetInstance().SetRect(100, 50, 34, 18);
        Document().handed.clear();
    }

    std::vector<Injected> Played() const {
        std::vector<Injected> played;
        for (const InjectedEvent& event : injector.events) {
            played.push_back({event.flags, event.dx / 273, event.dy / 204});
        }
        return played;
    }

    FixedDisplay display{240, 320};
    RecordingInjector injector;
};

// Runs before any other sample of this process reaches RecordSample, while no release is held.
TEST_F(Samples, AnUpSampleWithNoStrokeBeforeItStillReleases) {
    RecordSample(false, 30, 40);
    EXPECT_EQ(Document().handed, (std::vector<Handed>{{"Release", "", Macros::AddBreakAfter}}));
    // A release is played where the last press or move left the stylus: none yet.
    EXPECT_EQ(Played(), (std::vector<Injected>{{up, 0, 0}}));
}

TEST_F(Samples, AStrokeOutsideTheWindowIsAPressAMoveAndOneRelease) {
    RecordSample(true, 50, 50);
    RecordSample(true, 50, 50);
    RecordSample(true, 51, 50);
    RecordSample(true, 53, 50);
    RecordSample(false, 53, 50);
    RecordSample(false, 53, 50);
    EXPECT_EQ(Document().handed, (std::vector<Handed>{{"Press", "50 50", Macros::AddBreakBefore},
                                                      {"Move", "53 50", Macros::AddPlain},
                                                      {"Release", "", Macros::AddBreakAfter}}));
    EXPECT_EQ(Played(),
              (std::vector<Injected>{
                  {down, 50, 50}, {down, 50, 50}, {down, 50, 50}, {move, 53, 50}, {up, 53, 50}}));
}

TEST_F(Samples, OnlyThePartsOfAStrokeOutsideTheWindowReachTheDocument) {
    // Pressed outside, lifted on the window: no release is kept.
    RecordSample(true, 90, 60);
    RecordSample(true, 95, 60);
    RecordSample(true, 105, 60);
    RecordSample(false, 105, 60);
    EXPECT_EQ(Document().handed, (std::vector<Handed>{{"Press", "90 60", Macros::AddBreakBefore},
                                                      {"Move", "95 60", Macros::AddPlain}}));
    Document().handed.clear();
    // Pressed on the window's far corner (still inside), lifted outside: no press is kept.
    RecordSample(true, 134, 68);
    RecordSample(true, 140, 68);
    RecordSample(false, 140, 68);
    EXPECT_EQ(Document().handed, (std::vector<Handed>{{"Move", "140 68", Macros::AddPlain},
                                                      {"Release", "", Macros::AddBreakAfter}}));
    EXPECT_EQ(Played().size(), 7u);
}

TEST_F(Samples, TapsOnTheButtonsArePlayedButNeverReachTheDocument) {
    for (const int x : {105, 125}) {
        RecordSample(true, x, 58);
        RecordSample(true, x + 1, 59);
        RecordSample(false, x + 1, 59);
    }
    EXPECT_TRUE(Document().handed.empty());
    EXPECT_EQ(Played(), (std::vector<Injected>{{down, 105, 58},
                                               {move, 106, 59},
                                               {up, 106, 59},
                                               {down, 125, 58},
                                               {move, 126, 59},
                                               {up, 126, 59}}));
}

TEST_F(Samples, InvalidSamplesDoNothingWhateverTheirDownFlag) {
    TouchCallback(TouchSampleDownFlag, 200, 200);
    TouchCallback(0, 200, 200);
    EXPECT_TRUE(Document().handed.empty());
    EXPECT_TRUE(injector.events.empty());
    // Valid samples arrive in quarter pixels.
    EXPECT_EQ(TouchCallback(TouchSampleValidFlag | TouchSampleDownFlag, 203, 401), TRUE);
    TouchCallback(TouchSampleValidFlag, 203, 401);
    EXPECT_EQ(Document().handed, (std::vector<Handed>{{"Press", "50 100", Macros::AddBreakBefore},
                                                      {"Release", "", Macros::AddBreakAfter}}));
}

// A mouse's samples are screen pixels already: the display's rotation is not applied to them.
TEST_F(Samples, AMouseIsRecordedWhereItPressedOnATurnedScreen) {
    display.screen = {320, 240, DMDO_90};
    TouchHook::GetInstance().UpdateOrientation();
    TouchCallback(TouchSampleValidFlag | TouchSampleDownFlag | TouchSampleMouse, 800, 480);
    TouchCallback(TouchSampleValidFlag | TouchSampleMouse, 800, 480);
    // The same point from the panel is turned.
    TouchCallback(TouchSampleValidFlag | TouchSampleDownFlag, 800, 480);
    TouchCallback(TouchSampleValidFlag, 800, 480);
    display.screen = {240, 320, DMDO_0};
    TouchHook::GetInstance().UpdateOrientation();
    EXPECT_EQ(Document().handed, (std::vector<Handed>{{"Press", "200 120", Macros::AddBreakBefore},
                                                      {"Release", "", Macros::AddBreakAfter},
                                                      {"Press", "200 200", Macros::AddBreakBefore},
                                                      {"Release", "", Macros::AddBreakAfter}}));
}

TEST(ScreenPoint, UnrotatedPointsAreQuartered) {
    int x = 0;
    int y = 0;
    for (const DWORD orientation : {DMDO_0, 3u}) {
        ToScreenPoint(orientation, 401, 803, x, y);
        EXPECT_EQ(std::pair(x, y), std::pair(100, 200));
        ToScreenPoint(orientation, -5, 7, x, y);
        EXPECT_EQ(std::pair(x, y), std::pair(-1, 1));
    }
}

// The panel's sides are measured at the first rotated sample of the process and kept.
TEST(ScreenPoint, RotatedPointsUseThePanelsSidesAsFirstMeasured) {
    int x = 0;
    int y = 0;
    {
        FixedDisplay display(320, 240);
        ToScreenPoint(DMDO_90, 400, 800, x, y);
        EXPECT_EQ(std::pair(x, y), std::pair(120, 100));
        ToScreenPoint(DMDO_270, 400, 800, x, y);
        EXPECT_EQ(std::pair(x, y), std::pair(200, 140));
    }
    {
        // Upside down, a point is mirrored on both axes of the unturned screen.
        FixedDisplay upsideDown(240, 320);
        ToScreenPoint(DMDO_180, 400, 800, x, y);
        EXPECT_EQ(std::pair(x, y), std::pair(140, 120));
    }
    FixedDisplay larger(640, 480);
    ToScreenPoint(DMDO_90, 400, 800, x, y);
    EXPECT_EQ(std::pair(x, y), std::pair(120, 100));
    ToScreenPoint(DMDO_270, 400, 800, x, y);
    EXPECT_EQ(std::pair(x, y), std::pair(200, 140));
    ToScreenPoint(DMDO_180, 400, 800, x, y);
    EXPECT_EQ(std::pair(x, y), std::pair(140, 120));
}

TEST(CaptureRectangle, BothEdgesOfEachAxisCountAsInside) {
    FixedDisplay display(240, 320);
    TouchHook& hook = TouchHook::GetInstance();
    hook.SetRect(100, 50, 34, 18);
    EXPECT_FALSE(hook.IsOutside(100, 50));
    EXPECT_FALSE(hook.IsOutside(134, 68));
    EXPECT_FALSE(hook.IsOutside(117, 60));
    EXPECT_TRUE(hook.IsOutside(99, 60));
    EXPECT_TRUE(hook.IsOutside(135, 60));
    EXPECT_TRUE(hook.IsOutside(117, 49));
    EXPECT_TRUE(hook.IsOutside(117, 69));
    // Dragging moves the rectangle and keeps its size.
    hook.SetPosition(0, 0);
    EXPECT_FALSE(hook.IsOutside(34, 18));
    EXPECT_TRUE(hook.IsOutside(35, 18));
}

TEST(CalibrationText, FivePairsWithCommasAreRead) {
    INT rawX[calibrationPointCount] = {};
    INT rawY[calibrationPointCount] = {};
    ASSERT_TRUE(ParseCalibrationData(L"100,200 300,400 500,600 700,800 900,1000", rawX, rawY));
    EXPECT_EQ(std::vector<INT>(rawX, rawX + 5), (std::vector<INT>{100, 300, 500, 700, 900}));
    EXPECT_EQ(std::vector<INT>(rawY, rawY + 5), (std::vector<INT>{200, 400, 600, 800, 1000}));
    EXPECT_TRUE(ParseCalibrationData(L"-1,2\t3,4   5,6 7,8 9,10 trailing", rawX, rawY));
    EXPECT_EQ(rawX[0], -1);
}

TEST(CalibrationText, NineNumbersOrNoCommasAreNoCalibration) {
    INT rawX[calibrationPointCount] = {};
    INT rawY[calibrationPointCount] = {};
    EXPECT_FALSE(ParseCalibrationData(L"100,200 300,400 500,600 700,800 900", rawX, rawY));
    EXPECT_FALSE(ParseCalibrationData(L"100 200 300 400 500 600 700 800 900 1000", rawX, rawY));
    EXPECT_FALSE(ParseCalibrationData(L"", rawX, rawY));
}

} // namespace
