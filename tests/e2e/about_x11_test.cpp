// The About dialog as a person meets it: the player started with a name that has no macro
// (as the "Macros - About" shortcut starts it) shows About on a private Xvfb through the Qt
// backend; a screenshot is kept in the build directory (test-artifacts/about-dialog.png), and a
// click on the caption's "ok" with xdotool closes it and ends the player.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

#include "ChildProcess.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "XvfbServer.h"
#include "platform/gui.h"
#include "platform/windows.h"

namespace {

using namespace std::chrono_literals;

constexpr int screenWidth = 240;
constexpr int screenHeight = 320;

} // namespace

TEST(AboutOnDisplay, ShownForAMissingMacroAndClosedByItsOkButton) {
    if (!XvfbServer::Installed()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    alarm(90);
    XvfbServer server(screenWidth, screenHeight);
    ASSERT_TRUE(server.Running()) << server.Error();
    // Only the player and the tools connect to the display: an X connection of this process
    // would end it when the server goes away at the end of the test.
    ScopedEnvironment noDisplay("DISPLAY", nullptr);
    ScopedEnvironment gui("TAPWEAVE_GUI", nullptr);
    ScopedEnvironment screen("TAPWEAVE_SCREEN", nullptr);
    TempDevice device;

    ChildProcess player =
        server.StartProgram({TAPWEAVE_BIN_DIR "/tapweave-player", "Macros - About"});
    ASSERT_TRUE(player.Started());

    HWND about = nullptr;
    EXPECT_TRUE(WaitUntil([&] {
        about = FindWindowW(L"Dialog", L"About");
        return about && IsWindowVisible(about);
    }));
    if (about) {
        // Let it paint before the picture is taken.
        std::this_thread::sleep_for(500ms);
        const std::filesystem::path shots = TAPWEAVE_BIN_DIR "/../test-artifacts";
        std::filesystem::create_directories(shots);
        const std::string shot = (shots / "about-dialog.png").string();
        EXPECT_TRUE(server.Screenshot(shot));
        EXPECT_TRUE(std::filesystem::exists(shot));

        // The caption's "ok" sits at its right end, above the dialog's client area.
        EXPECT_EQ(server
                      .RunProgram({"xdotool", "mousemove", std::to_string(screenWidth - 12), "12",
                                   "click", "1"})
                      .exitCode,
                  0);
    }

    EXPECT_EQ(player.ExitCode(), 0) << "the player did not end with 0 when About was closed";
    EXPECT_EQ(FindWindowW(L"Dialog", L"About"), nullptr);
    alarm(0);
}
