// A new user's first session, on a private Xvfb: Tapweave is installed onto an empty device
// with tapweave-install, the recorder is started from its Start-menu entry "Macros - Create",
// a touch script taps its record button, draws a stroke and taps stop, the library window that
// opens for naming is closed, the saved macro is played through the device's player into a
// journal, and removal takes the product's files, entries and desktop entries away again. The
// recorder runs with its Qt window on the display and replays the script through XTest, so the
// taps on its buttons reach it as a person's would.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "DeviceTool.h"
#include "FileContent.h"
#include "MacroLibrary.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "XvfbServer.h"
#include "platform/gui.h"
#include "platform/windows.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The default screen's size: the recorder appears centred at (103, 151)-(137, 169), its record
// button's middle at pixel (111, 159), stop's at (127, 159); the script gives calibrated quarter
// pixels.
constexpr int screenWidth = 240;
constexpr int screenHeight = 320;

// Record at 4 s (the window is up by then), a stroke from pixel (60, 60) to (80, 70) with 55 ms
// between samples, stop at 6 s.
constexpr const char* script = "4000 down 444 636\n"
                               "4050 up 444 636\n"
                               "5000 down 240 240\n"
                               "5055 down 280 260\n"
                               "5110 down 320 280\n"
                               "5165 up 320 280\n"
                               "6000 down 508 636\n"
                               "6050 up 508 636\n";

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

class InstallWalkthrough : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!XvfbServer::Installed()) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_TRUE(server.Running()) << server.Error();
        device.Write("touch.txt", script);
        alarm(120);
    }
    void TearDown() override {
        // A recorder left by a failed step does not outlive the test.
        if (FindWindowW(L"Tapweave Class", L"Tapweave Recorder") != nullptr) {
            DeviceTool({"post", "Tapweave Class", "Tapweave Recorder", "WM_CLOSE", "1", "0"});
        }
        alarm(0);
    }

    // Runs a program with the given variables, bounded by a timeout; its exit code. Its
    // outputs go nowhere: a program it starts may outlive it.
    static int Run(const std::vector<std::string>& command,
                   const ChildProcess::Environment& environment = {}) {
        return RunTool(command, {.environment = environment,
                                 .output = ChildProcess::Stream::Discard,
                                 .errors = ChildProcess::Stream::Discard})
            .exitCode;
    }
    static int Install(const std::vector<std::string>& arguments) {
        std::vector<std::string> command{TAPWEAVE_BIN_DIR "/tapweave-install"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return Run(command);
    }
    int OnDisplay(const std::vector<std::string>& command) const {
        return Run(command, {{"DISPLAY", server.Name()}, {"TAPWEAVE_INPUT", "x11"}});
    }
    std::string Device(const std::string& relative) const { return device.Host(relative); }

    XvfbServer server{screenWidth, screenHeight};
    ScopedEnvironment noDisplay{"DISPLAY", nullptr};
    ScopedEnvironment gui{"TAPWEAVE_GUI", nullptr};
    ScopedEnvironment input{"TAPWEAVE_INPUT", nullptr};
    ScopedEnvironment screen{"TAPWEAVE_SCREEN", nullptr};
    TempDevice device;
    std::string xdg = device.Directory() + "/xdg";
    ScopedEnvironment data{"XDG_DATA_HOME", xdg.c_str()};
    std::string touchSource = "script:" + device.Host("touch.txt");
    ScopedEnvironment touch{"TAPWEAVE_TOUCH", touchSource.c_str()};
};

TEST_F(InstallWalkthrough, InstallRecordFromTheShortcutPlayBackAndUninstall) {
    ASSERT_EQ(Install({"install", "--desktop-entries"}), 0);
    const std::string createEntry = MacroLibrary::shortcutFolder + "Macros - Create.lnk";
    ASSERT_TRUE(Exists(Device(createEntry)));
    EXPECT_TRUE(Exists(xdg + "/applications/tapweave-recorder.desktop"));

    // Started as the Start menu starts it; the script and the display come with the environment.
    ASSERT_EQ(OnDisplay({TAPWEAVE_BIN_DIR "/tapweave-install", "start", "Macros - Create"}), 0);
    ASSERT_TRUE(WaitUntil([&] {
        return OnDisplay({"xdotool", "search", "--onlyvisible", "--name", "^Tapweave Recorder$"}) ==
               0;
    }));

    // Stop saves the stroke and opens the library window for its name; closing it keeps the name.
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"Tapweave") != nullptr; }));
    const std::string macro = MacroLibrary::macroFolder + "New Macro.macros";
    ASSERT_TRUE(Exists(Device(macro)));
    EXPECT_TRUE(Exists(Device(MacroLibrary::shortcutFolder + "New Macro.lnk")));
    EXPECT_EQ(DeviceTool({"send", "Dialog", "Tapweave", "WM_COMMAND", "1", "0"}).exitCode, 0);
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"Tapweave") == nullptr; }));
    const std::string steps = device.Read(macro);
    EXPECT_NE(steps.find("\nPress 60 60\n"), std::string::npos) << steps;
    EXPECT_NE(steps.find("\nMove 80 70\n"), std::string::npos) << steps;
    EXPECT_NE(steps.find("\nRelease \n"), std::string::npos) << steps;

    // Not calibrated: asked to end, the recorder ends.
    EXPECT_EQ(
        DeviceTool({"post", "Tapweave Class", "Tapweave Recorder", "WM_CLOSE", "1", "0"}).exitCode,
        0);
    EXPECT_TRUE(
        WaitUntil([] { return FindWindowW(L"Tapweave Class", L"Tapweave Recorder") == nullptr; }));

    // The installed player plays it on the default screen: pixel (60, 60) is (16380, 12240).
    const std::string journal = device.Directory() + "/played.log";
    ASSERT_EQ(Run({Device(MacroLibrary::playerFile), "New Macro"},
                  {{"TAPWEAVE_INPUT", "journal:" + journal}}),
              0);
    const std::string played = FileContent(journal);
    EXPECT_NE(played.find("mouse_event flags=0x8002 dx=16380 dy=12240 "), std::string::npos)
        << played;
    EXPECT_NE(played.find("mouse_event flags=0x8001 dx=21840 dy=14280 "), std::string::npos)
        << played;
    EXPECT_NE(played.find("mouse_event flags=0x8004 dx=21840 dy=14280 "), std::string::npos)
        << played;

    ASSERT_EQ(Install({"uninstall", "--desktop-entries"}), 0);
    EXPECT_FALSE(Exists(Device("Program Files/Tapweave")));
    EXPECT_FALSE(Exists(Device("Windows/Start Menu/Programs/Tapweave")));
    EXPECT_FALSE(Exists(Device("Windows/Tapweave Setup.dll")));
    EXPECT_TRUE(Exists(Device("Program Files")));
    EXPECT_FALSE(Exists(xdg + "/applications/tapweave-recorder.desktop"));
    EXPECT_FALSE(Exists(xdg + "/applications/tapweave-macros.desktop"));
    EXPECT_NE(Install({"start", "Macros - Create"}), 0);
}

} // namespace
