// The help viewer on a display: started as the device starts it, it shows the help file in a
// window titled with the file's title. A screenshot is kept in the build directory
// (help-viewer.png).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

#include "ChildProcess.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "XvfbServer.h"

using namespace std::chrono_literals;

TEST(HelpViewerOnDisplay, ShowsTheHelpFileInAWindowOfItsTitle) {
    if (!XvfbServer::Installed()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    alarm(60);
    XvfbServer server(640, 700);
    ASSERT_TRUE(server.Running()) << server.Error();
    ScopedEnvironment display("DISPLAY", server.Name().c_str());
    ScopedEnvironment gui("TAPWEAVE_GUI", nullptr);
    TempDevice device;
    // The device links its help viewer and the help file from the build when it is made.

    ChildProcess viewer({device.Host("Windows/peghelp.exe"), "Tapweave Help.htm"});
    ASSERT_TRUE(viewer.Started());

    std::string window;
    WaitUntil(
        [&] {
            window =
                RunTool({"xdotool", "search", "--onlyvisible", "--name", "^Tapweave Help$"}).output;
            return !window.empty() || !viewer.Running();
        },
        20s);
    EXPECT_FALSE(window.empty()) << "no window titled Tapweave Help";
    if (!window.empty()) {
        // Let it paint before the picture is taken.
        std::this_thread::sleep_for(500ms);
        const std::string shot = TAPWEAVE_BIN_DIR "/../help-viewer.png";
        server.Screenshot(shot);
        EXPECT_TRUE(std::filesystem::exists(shot));
    }
    viewer.Terminate();
    alarm(0);
}
