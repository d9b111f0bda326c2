// The recorder on a private Xvfb, used as a person uses it, with the stylus played from a touch
// script: it taps the recorder's record button, draws a stroke on an X client and taps stop.
// The recorder replays every sample through XTest, so its own window receives the taps on its
// buttons and the client the stroke. The saved macro, its shortcut and the library window open
// for naming are checked, then the macro is played back into the client. Screenshots are kept
// in the build directory (recorder.png, recorder-saved.png, recorder-dragged.png). Dragged,
// the toolbar follows the stylus and taps nothing.
#include <gtest/gtest.h>

#include <X11/X.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "DeviceTool.h"
#include "MacroLibrary.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "XInputClient.h"
#include "XvfbServer.h"
#include "platform/gui.h"
#include "platform/windows.h"

namespace {

using namespace std::chrono_literals;

constexpr int screenWidth = 480;
constexpr int screenHeight = 640;
// The recorder appears centred: its record button's middle at (231, 319), stop's at (247, 319),
// in calibrated quarter pixels (924, 1276) and (988, 1276).
constexpr int clientX = 40;
constexpr int clientY = 40;
constexpr int clientSize = 150;

// Record at 4 s (the window is up by then), a stroke on the client from its pixel (60, 60) to
// (80, 70) with 55 ms between samples, stop at 6 s.
constexpr const char* script = "4000 down 924 1276\n"
                               "4050 up 924 1276\n"
                               "5000 down 400 400\n"
                               "5055 down 480 440\n"
                               "5110 up 480 440\n"
                               "6000 down 988 1276\n"
                               "6050 up 988 1276\n";

// The recorder asked to end, as a message from another program asks it.
int CloseRecorder() {
    return DeviceTool({"send", "Tapweave Class", "Tapweave Recorder", "WM_CLOSE", "1", "0"})
        .exitCode;
}

class RecorderOnDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!XvfbServer::Installed()) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_TRUE(server->Running()) << server->Error();
        device.emplace();
        library.emplace(*device, TAPWEAVE_BIN_DIR "/tapweave-player");
        device->Write("touch.txt", script);
        alarm(120);
    }
    void TearDown() override { alarm(0); }

    int OnDisplay(const std::vector<std::string>& command) {
        return server->RunProgram(command).exitCode;
    }

    void Screenshot(const std::string& name) {
        const std::string shot = std::string(TAPWEAVE_BIN_DIR "/../") + name;
        server->Screenshot(shot);
        EXPECT_TRUE(std::filesystem::exists(shot)) << shot;
    }

    std::optional<XvfbServer> server{std::in_place, screenWidth, screenHeight};
    ScopedEnvironment noDisplay{"DISPLAY", nullptr};
    ScopedEnvironment gui{"TAPWEAVE_GUI", nullptr};
    ScopedEnvironment input{"TAPWEAVE_INPUT", "x11"};
    ScopedEnvironment screen{"TAPWEAVE_SCREEN", nullptr};
    std::optional<TempDevice> device;
    std::optional<MacroLibrary> library;
    std::optional<ScopedEnvironment> touch;
};

TEST_F(RecorderOnDisplay, AStrokeRecordedFromTheTouchScriptIsSavedNamedAndPlayedBack) {
    touch.emplace("TAPWEAVE_TOUCH", ("script:" + device->Host("touch.txt")).c_str());
    XInputClient client(server->Name(),
                        {clientX, clientY, clientSize, clientSize, /*takeFocus=*/false, {}});
    ASSERT_TRUE(client.WaitReady(10s));
    ChildProcess recorder = server->StartProgram({TAPWEAVE_BIN_DIR "/tapweave-recorder"});
    ASSERT_TRUE(recorder.Started());
    ASSERT_TRUE(WaitUntil([&] {
        return OnDisplay({"xdotool", "search", "--onlyvisible", "--name", "^Tapweave Recorder$"}) ==
               0;
    }));
    std::this_thread::sleep_for(500ms);
    Screenshot("recorder.png");

    // The stroke reaches the client while it is recorded.
    const std::vector<XInputClient::Arrival> live = client.WaitFor(2, 30s);
    ASSERT_EQ(live.size(), 2u);
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"Tapweave") != nullptr; }));
    ASSERT_TRUE(WaitUntil([&] {
        return OnDisplay({"xdotool", "search", "--onlyvisible", "--name", "^Tapweave$"}) == 0;
    }));
    std::this_thread::sleep_for(500ms);
    Screenshot("recorder-saved.png");

    // The pauses are masked: the recorder times the samples as they arrive, and a loaded
    // machine delivers the script's samples a little late. Their timing is tested with a clock
    // the test controls.
    const std::string saved = device->Read(MacroLibrary::macroFolder + "New Macro.macros");
    const std::string masked =
        std::regex_replace(saved, std::regex("Pause [0-9.]+ s"), "Pause * s");
    EXPECT_EQ(masked, "Start Today\n \nPause * s\n \nPress 100 100\nPause * s\nMove 120 110\n"
                      "Pause * s\nRelease \n \n")
        << saved;
    EXPECT_TRUE(library->HasShortcut("New Macro"));

    // The new macro's label is open for its name.
    ASSERT_EQ(OnDisplay({"xdotool", "key", "ctrl+a", "type", "Stroke"}), 0);
    ASSERT_EQ(OnDisplay({"xdotool", "key", "Return"}), 0);
    EXPECT_TRUE(WaitUntil([&] { return library->HasMacroFile("Stroke"); }));
    EXPECT_TRUE(library->HasShortcut("Stroke"));
    EXPECT_EQ(DeviceTool({"send", "Dialog", "Tapweave", "WM_COMMAND", "1", "0"}).exitCode, 0);
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"Tapweave") == nullptr; }));

    client.Clear();
    EXPECT_EQ(server->StartProgram({TAPWEAVE_BIN_DIR "/tapweave-player", "Stroke"}).ExitCode(), 0);
    const std::vector<XInputClient::Arrival> played = client.WaitFor(2, 20s);
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[0].type, ButtonPress);
    EXPECT_EQ(std::pair(played[0].x, played[0].y), std::pair(60, 60));
    EXPECT_EQ(played[1].type, ButtonRelease);
    EXPECT_EQ(std::pair(played[1].x, played[1].y), std::pair(80, 70));

    // Not calibrated: asked to end, the recorder ends.
    EXPECT_EQ(CloseRecorder(), 0);
    EXPECT_EQ(recorder.ExitCode(), 0);
}

// The X pointer's position is a screen pixel already: a turned screen does not turn it again.
TEST_F(RecorderOnDisplay, TheXPointerOnATurnedScreenIsRecordedWhereItPressed) {
    ScopedEnvironment turned("TAPWEAVE_SCREEN", "480x640@90");
    touch.emplace("TAPWEAVE_TOUCH", "x11");
    ChildProcess recorder = server->StartProgram({TAPWEAVE_BIN_DIR "/tapweave-recorder"});
    ASSERT_TRUE(recorder.Started());
    ASSERT_TRUE(WaitUntil([&] {
        return OnDisplay({"xdotool", "search", "--onlyvisible", "--name", "^Tapweave Recorder$"}) ==
               0;
    }));
    std::this_thread::sleep_for(300ms);
    // Record, a press held a moment at (100, 50), stop.
    ASSERT_EQ(OnDisplay({"xdotool", "mousemove", "231", "319", "click", "1", "sleep", "0.3"}), 0);
    ASSERT_EQ(OnDisplay({"xdotool", "mousemove", "100", "50", "mousedown", "1", "sleep", "0.1",
                         "mouseup", "1", "sleep", "0.3"}),
              0);
    ASSERT_EQ(OnDisplay({"xdotool", "mousemove", "247", "319", "click", "1"}), 0);
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"Tapweave") != nullptr; }));
    const std::string saved = device->Read(MacroLibrary::macroFolder + "New Macro.macros");
    EXPECT_EQ(std::regex_replace(saved, std::regex("Pause [0-9.]+ s"), "Pause * s"),
              "Start Today\n \nPause * s\n \nPress 100 50\nPause * s\nRelease \n \n")
        << saved;
    EXPECT_EQ(DeviceTool({"send", "Dialog", "Tapweave", "WM_COMMAND", "1", "0"}).exitCode, 0);
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"Tapweave") == nullptr; }));
    EXPECT_EQ(CloseRecorder(), 0);
    EXPECT_EQ(recorder.ExitCode(), 0);
}

TEST_F(RecorderOnDisplay, TheToolbarFollowsTheStylusAndADragTapsNothing) {
    device->Write("touch.txt", "# no samples\n");
    touch.emplace("TAPWEAVE_TOUCH", ("script:" + device->Host("touch.txt")).c_str());
    ChildProcess recorder = server->StartProgram({TAPWEAVE_BIN_DIR "/tapweave-recorder"});
    ASSERT_TRUE(recorder.Started());
    ASSERT_TRUE(WaitUntil([&] {
        return OnDisplay({"xdotool", "search", "--onlyvisible", "--name", "^Tapweave Recorder$"}) ==
               0;
    }));
    const HWND hwnd = FindWindowW(L"Tapweave Class", L"Tapweave Recorder");
    ASSERT_NE(hwnd, nullptr);
    std::this_thread::sleep_for(300ms);
    // Pressed on the record button, moved 40 pixels right and 20 down in steps, lifted.
    ASSERT_EQ(OnDisplay({"xdotool",   "mousemove", "231",       "319",     "mousedown",
                         "1",         "mousemove", "241",       "324",     "mousemove",
                         "251",       "329",       "mousemove", "261",     "334",
                         "mousemove", "271",       "339",       "mouseup", "1"}),
              0);
    EXPECT_TRUE(WaitUntil([&] {
        RECT rect{};
        GetWindowRect(hwnd, &rect);
        return rect.left == 223 + 40 && rect.top == 311 + 20;
    }));
    std::this_thread::sleep_for(300ms);
    Screenshot("recorder-dragged.png");
    // Still idle: its right button hides it rather than saving.
    ASSERT_EQ(OnDisplay({"xdotool", "mousemove", "287", "339", "click", "1"}), 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(hwnd); }));
    EXPECT_EQ(FindWindowW(L"Dialog", L"Tapweave"), nullptr);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.left, 263);
    EXPECT_EQ(rect.top, 331);
    EXPECT_EQ(CloseRecorder(), 0);
    EXPECT_EQ(recorder.ExitCode(), 0);
}

} // namespace
