// The help viewer on a display: started as the device starts it, it shows the help file in a
// window titled with the file's title. A screenshot is kept in the build directory
// (help-viewer.png).
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "XvfbServer.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

std::string Output(const std::string& command) {
    FILE* pipe = popen(("timeout 20 " + command + " 2>/dev/null").c_str(), "r");
    std::string out;
    std::array<char, 256> buffer{};
    while (pipe && fgets(buffer.data(), buffer.size(), pipe)) {
        out += buffer.data();
    }
    if (pipe) {
        pclose(pipe);
    }
    return out;
}

} // namespace

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

    const std::string program = device.Host("Windows/peghelp.exe");
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("Tapweave Help.htm"),
                    nullptr};
    pid_t viewer = -1;
    ASSERT_EQ(posix_spawn(&viewer, program.c_str(), nullptr, nullptr, argv, environ), 0);

    std::string window;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while ((window = Output("xdotool search --onlyvisible --name '^Tapweave Help$'")).empty() &&
           std::chrono::steady_clock::now() < deadline && waitpid(viewer, nullptr, WNOHANG) == 0) {
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_FALSE(window.empty()) << "no window titled Tapweave Help";
    if (!window.empty()) {
        // Let it paint before the picture is taken.
        std::this_thread::sleep_for(500ms);
        const std::string shot = TAPWEAVE_BIN_DIR "/../help-viewer.png";
        Output("import -window root '" + shot + "'");
        EXPECT_TRUE(std::filesystem::exists(shot));
    }
    kill(viewer, SIGTERM);
    int status = 0;
    waitpid(viewer, &status, 0);
    alarm(0);
}
