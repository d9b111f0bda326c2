// The X pointer as the touch source, pressed by xdotool on a private display.
#include <gtest/gtest.h>

#include <chrono>

#include "ChildProcess.h"
#include "RecordingInjector.h"
#include "SampleCollector.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "TouchPanel.h"
#include "XvfbServer.h"
#include "platform/input.h"

namespace {

// What the recorder does with each sample: note it and replay it at once.
BOOL Replay(DWORD flags, INT x, INT y) {
    SampleCollector::Callback(flags, x, y);
    mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, static_cast<DWORD>(x),
                static_cast<DWORD>(y), 0, 0);
    keybd_event(0x41, 0, 0, 0);
    return TRUE;
}

} // namespace

// The pointer's samples are marked as a mouse's: screen pixels, which no calibration bends.
TEST(TouchX11, ButtonOneDragsGiveQuarterPixelSamplesAndTheirReplayIsDropped) {
    if (!XvfbServer::Installed()) {
        GTEST_SKIP() << "no Xvfb";
    }
    XvfbServer server(320, 240);
    ASSERT_TRUE(server.Running()) << server.Error();
    if (server.RunProgram({"xdotool", "version"}).exitCode != 0) {
        GTEST_SKIP() << "no xdotool";
    }
    TempDevice device;
    ScopedEnvironment display("DISPLAY", server.Name().c_str());
    ScopedEnvironment touch("TAPWEAVE_TOUCH", "x11");
    RecordingInjector injector;
    SampleCollector::Clear();
    ASSERT_TRUE(TouchPanelEnable(&Replay));
    const INT screenX[] = {120, 30, 210, 210, 30};
    const INT screenY[] = {160, 40, 40, 280, 280};
    const INT rawX[] = {1200, 300, 2100, 2100, 300};
    const INT rawY[] = {1600, 400, 400, 2800, 2800};
    EXPECT_FALSE(TouchPanelSetCalibration(5, screenX, screenY, rawX, rawY));
    // The position is the pointer's when the driver reads each press, so the steps keep the
    // pace of a hand.
    ASSERT_EQ(RunTool({"xdotool", "mousemove", "10",  "20",        "sleep", "0.1",   "mousedown",
                       "1",       "sleep",     "0.1", "mousemove", "30",    "40",    "sleep",
                       "0.1",     "mouseup",   "1",   "sleep",     "0.1",   "click", "3"},
                      {}, std::chrono::seconds(10))
                  .exitCode,
              0);
    auto samples = SampleCollector::WaitFor(3, std::chrono::seconds(5));
    // Let any late motion arrive before looking at the last sample.
    constexpr DWORD up = TouchSampleValidFlag | TouchSampleMouse;
    constexpr DWORD down = up | TouchSampleDownFlag;
    while (!samples.empty() && samples.back().flags != up) {
        const std::size_t seen = samples.size();
        samples = SampleCollector::WaitFor(seen + 1, std::chrono::seconds(5));
        if (samples.size() == seen) {
            break;
        }
    }
    TouchPanelDisable();
    ASSERT_GE(samples.size(), 3u);
    EXPECT_EQ(samples.front().flags, down);
    EXPECT_EQ(samples.front().x, 40);
    EXPECT_EQ(samples.front().y, 80);
    EXPECT_EQ(samples.back().flags, up);
    EXPECT_EQ(samples.back().x, 120);
    EXPECT_EQ(samples.back().y, 160);
    for (std::size_t i = 1; i + 1 < samples.size(); ++i) {
        EXPECT_EQ(samples[i].flags, down) << i;
    }
    // Button 3 is no touch; the replay of every sample is dropped, its keys are not.
    std::size_t keys = 0;
    for (const InjectedEvent& event : injector.events) {
        EXPECT_TRUE(event.key);
        keys += event.key;
    }
    EXPECT_EQ(keys, samples.size());
}
