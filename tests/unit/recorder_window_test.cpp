// The recorder's window without a display, driven by the stylus messages a person's taps
// become: where it first appears, taps against drags, the buttons' strict edges, the recording
// states with the document calls they make, the screen's rotation, its menu, and closing while
// the capture is not calibrated. The window is the process's one window object, so the tests run in
// order on one window, each leaving it shown and idle.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "FakeClock.h"
#include "FixedDisplay.h"
#include "ImageButton.h"
#include "MacroLibrary.h"
#include "Macros.h"
#include "RecorderWindow.h"
#include "ScopedEnvironment.h"
#include "SharedNames.h"
#include "TempDevice.h"
#include "TouchHook.h"
#include "WaitUntil.h"
#include "platform/Playbacks.h"
#include "platform/display.h"
#include "platform/gui.h"
#include "platform/registry.h"
#include "platform/testing.h"

namespace {

// The document as the window sees it: the names of the calls it receives, in order.
class RecordingDocument : public Macros {
  public:
    bool Load(const std::wstring&) override { return false; }
    bool Play() override { return true; }
    void StartRecording() override { calls.push_back("StartRecording"); }
    void StopRecording() override { calls.push_back("StopRecording"); }
    void Save() override { calls.push_back("Save"); }
    void Add(ActionPtr, int) override {}

    std::vector<std::string> calls;
};

RecordingDocument& Document() {
    static RecordingDocument document;
    return document;
}

} // namespace

Macros& Macros::GetInstance() {
    return Document();
}

namespace {

RECT Place(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
}

class Window : public ::testing::Test {
  protected:
    // One device, one screen and one touch script with no samples for the whole program, as
    // the window lives as long as the process.
    static void SetUpTestSuite() {
        static TempDevice device;
        static FixedDisplay display(240, 320);
        macroDevice = &device;
        static ScopedEnvironment gui("TAPWEAVE_GUI", "headless");
        device.Write("script.txt", "# no samples\n");
        static const std::string script = "script:" + device.Host("script.txt");
        static ScopedEnvironment touch("TAPWEAVE_TOUCH", script.c_str());
        screen = &display;
    }

    void SetUp() override {
        alarm(60);
        hwnd = RecorderWindow::GetInstance().Handle();
        ASSERT_NE(hwnd, nullptr);
        Document().calls.clear();
    }
    void TearDown() override { alarm(0); }

    void Tap(int x, int y) {
        SendMessageW(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(x, y));
        SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }

    static FixedDisplay* screen;
    static TempDevice* macroDevice;
    HWND hwnd = nullptr;
};

FixedDisplay* Window::screen = nullptr;
TempDevice* Window::macroDevice = nullptr;

// First, before anything has moved the window.
TEST_F(Window, WithNoStoredPlaceItAppearsCentredWithTheCaptureRectangleOnIt) {
    EXPECT_EQ(FindWindowW(recorderClassName.c_str(), recorderWindowTitle.c_str()), hwnd);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    const RECT rect = Place(hwnd);
    EXPECT_EQ(rect.left, 103);
    EXPECT_EQ(rect.top, 151);
    EXPECT_EQ(rect.right - rect.left, 34);
    EXPECT_EQ(rect.bottom - rect.top, 18);
    const TouchHook& hook = TouchHook::GetInstance();
    EXPECT_FALSE(hook.IsOutside(103, 151));
    EXPECT_FALSE(hook.IsOutside(137, 169));
    EXPECT_TRUE(hook.IsOutside(102, 151));
    EXPECT_TRUE(hook.IsOutside(137, 170));
    EXPECT_FALSE(hook.IsCalibrated());
}

TEST_F(Window, AButtonAnswersOnlyStrictlyInsideItsImage) {
    ImageButton button(GetModuleHandleW(nullptr), nullptr, nullptr, 101, 103);
    for (int y = -1; y <= 17; ++y) {
        for (int x = -1; x <= 17; ++x) {
            EXPECT_EQ(button.HitTest(x, y), x >= 1 && x <= 15 && y >= 1 && y <= 15)
                << x << "," << y;
        }
    }
    // On the window: the left column, the seam between the buttons and the top row hit nothing.
    for (const auto& [x, y] : {std::pair(0, 8), std::pair(16, 8), std::pair(8, 0), std::pair(24, 0),
                               std::pair(32, 8), std::pair(8, 16)}) {
        Tap(x, y);
    }
    EXPECT_TRUE(Document().calls.empty());
    EXPECT_TRUE(IsWindowVisible(hwnd));
}

TEST_F(Window, ASmallMoveIsStillATapButMoreThanThreePixelsDragsAndClicksNothing) {
    const RECT before = Place(hwnd);
    SendMessageW(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(7, 8));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(7, 8));
    EXPECT_EQ(Document().calls, std::vector<std::string>{"StartRecording"});
    EXPECT_EQ(Place(hwnd).left, before.left);
    EXPECT_FALSE(TouchHook::GetInstance().IsOutside(before.left, before.top));

    SendMessageW(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(9, 5));
    // Back near the anchor the drag goes on: the anchor stays under the stylus.
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Document().calls, std::vector<std::string>{"StartRecording"});
    const RECT after = Place(hwnd);
    EXPECT_EQ(after.left, before.left + 4);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right - after.left, 34);
    EXPECT_TRUE(TouchHook::GetInstance().IsOutside(before.left, before.top));
    EXPECT_FALSE(TouchHook::GetInstance().IsOutside(after.left, after.top));

    // The stylus keeps the window while it drags, so it may come left of it: negative x.
    SendMessageW(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(-3, 5));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(-3, 5));
    EXPECT_EQ(Place(hwnd).left, after.left - 8);
    EXPECT_EQ(Document().calls, std::vector<std::string>{"StartRecording"});

    // Back to idle: stop.
    Tap(24, 8);
    EXPECT_EQ(Document().calls, (std::vector<std::string>{"StartRecording", "Save"}));
}

TEST_F(Window, RecordPauseRecordStopCallsTheDocumentInThatOrderAndEndsIdle) {
    Tap(8, 8);
    Tap(8, 8);
    Tap(8, 8);
    Tap(24, 8);
    EXPECT_EQ(Document().calls, (std::vector<std::string>{"StartRecording", "StopRecording",
                                                          "StartRecording", "Save"}));
    // Paused, then stopped: still Idle afterwards, so the left button records again.
    Document().calls.clear();
    Tap(8, 8);
    Tap(8, 8);
    Tap(24, 8);
    EXPECT_EQ(Document().calls,
              (std::vector<std::string>{"StartRecording", "StopRecording", "Save"}));
    EXPECT_TRUE(IsWindowVisible(hwnd));
}

TEST_F(Window, CloseInIdleHidesTheWindowAndKeepsItsPlace) {
    const RECT place = Place(hwnd);
    Tap(24, 8);
    EXPECT_TRUE(Document().calls.empty());
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_TRUE(IsWindow(hwnd));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window",
                            0, 0, &key),
              ERROR_SUCCESS);
    DWORD x = 0;
    DWORD y = 0;
    DWORD type = 0;
    DWORD size = sizeof(x);
    EXPECT_EQ(RegQueryValueExW(key, L"x", nullptr, &type, reinterpret_cast<LPBYTE>(&x), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    size = sizeof(y);
    EXPECT_EQ(RegQueryValueExW(key, L"y", nullptr, nullptr, reinterpret_cast<LPBYTE>(&y), &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(static_cast<LONG>(x), place.left);
    EXPECT_EQ(static_cast<LONG>(y), place.top);

    // Shown again, both buttons are back in state 0: the left one records.
    ShowWindow(hwnd, SW_SHOW);
    Tap(8, 8);
    Tap(24, 8);
    EXPECT_EQ(Document().calls, (std::vector<std::string>{"StartRecording", "Save"}));
}

TEST_F(Window, ARotatedScreenRefreshesTheCapturesOrientationButNotThePlace) {
    const RECT place = Place(hwnd);
    screen->screen = {320, 240, DMDO_90};
    EXPECT_EQ(SendMessageW(hwnd, WM_SETTINGCHANGE, SETTINGCHANGE_RESET, 0), 0);
    EXPECT_EQ(TouchHook::GetInstance().Orientation(), DMDO_90);
    screen->screen = {240, 320, DMDO_0};
    // Another setting leaves the capture as it was.
    SendMessageW(hwnd, WM_SETTINGCHANGE, 0, 0);
    EXPECT_EQ(TouchHook::GetInstance().Orientation(), DMDO_90);
    SendMessageW(hwnd, WM_SETTINGCHANGE, SETTINGCHANGE_RESET, 0);
    EXPECT_EQ(TouchHook::GetInstance().Orientation(), DMDO_0);
    EXPECT_EQ(Place(hwnd).left, place.left);
}

// What the window is asked to close with, kept from reaching it.
std::vector<WPARAM> closes;
WNDPROC windowProcedure = nullptr;

LRESULT KeepCloses(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        closes.push_back(wParam);
        return 0;
    }
    return windowProcedure(hwnd, message, wParam, lParam);
}

TEST_F(Window, HoldingTheIdleToolbarOrARightClickOffersItsMenuAndWhileRecordingAHoldIsATap) {
    FakeClock clock;
    const auto hold = [&](int x, int y) {
        SendMessageW(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(x, y));
        clock.Pass(500);
        SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    };
    windowProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(KeepCloses)));
    ASSERT_NE(windowProcedure, nullptr);

    // Idle: the menu instead of the tap; dismissed, nothing happens.
    hold(8, 8);
    SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(120, 160));
    EXPECT_TRUE(Document().calls.empty());
    EXPECT_TRUE(closes.empty());
    // Its Quit ends the recorder whatever holds it.
    platform::QueueMenuChoice(1);
    hold(24, 8);
    platform::QueueMenuChoice(1);
    SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(120, 160));
    EXPECT_EQ(closes,
              (std::vector<WPARAM>{RecorderWindow::quitRequest, RecorderWindow::quitRequest}));

    // While a macro plays, its Stop Playback ends the playback, and the recorder stays.
    closes.clear();
    const MacroLibrary library(*macroDevice, TAPWEAVE_BIN_DIR "/tapweave-player");
    library.Save("Long", "Press 3 4\nPause 600 s\nRelease \n");
    const std::string journal = "journal:" + macroDevice->Directory() + "/journal.log";
    ChildProcess player({TAPWEAVE_BIN_DIR "/tapweave-player", "Long"},
                        {.environment = {{"TAPWEAVE_INPUT", journal}}});
    ASSERT_TRUE(WaitUntil([] { return platform::Playbacks::AnyRunning(); }));
    platform::QueueMenuChoice(2);
    hold(8, 8);
    EXPECT_EQ(player.ExitCode(std::chrono::seconds(5)), 0);
    EXPECT_FALSE(platform::Playbacks::AnyRunning());
    EXPECT_TRUE(closes.empty());

    // Recording: no menu, so a slow tap on stop still saves.
    closes.clear();
    platform::QueueMenuChoice(1);
    Tap(8, 8);
    SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(120, 160));
    hold(24, 8);
    platform::ForgetMenuChoices();
    EXPECT_EQ(Document().calls, (std::vector<std::string>{"StartRecording", "Save"}));
    EXPECT_TRUE(closes.empty());
    SetWindowLongPtrW(hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(windowProcedure));
    EXPECT_TRUE(IsWindowVisible(hwnd));
}

// Last: it ends the window.
TEST_F(Window, AskedToEndWhileNotCalibratedTheWindowIsDestroyedAndTheLoopEnds) {
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    SendMessageW(hwnd, WM_CLOSE, 1, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_QUIT);
    EXPECT_EQ(message.wParam, 0u);
    EXPECT_EQ(FindWindowW(recorderClassName.c_str(), recorderWindowTitle.c_str()), nullptr);
}

} // namespace
