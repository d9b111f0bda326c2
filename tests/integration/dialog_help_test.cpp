// The help viewer without a display, installed into a temporary device as the device gets it
// (\Windows\peghelp.exe and \Windows\Tapweave Help.htm): which file it finds for the names it
// may be given, and Help asked for in a dialog starting it through the real launcher.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "ScopedEnvironment.h"
#include "ShowAboutDialog.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "platform/gui.h"

namespace {

using namespace std::chrono_literals;

class HelpViewer : public ::testing::Test {
  protected:
    void SetUp() override {
        // The device links its help viewer and the help file from the build when it is made.
        // A loop or a viewer that never ends fails the test instead of hanging it.
        alarm(60);
    }
    void TearDown() override { alarm(0); }

    // Runs the installed viewer with a watchdog; what it prints on both outputs. The command
    // line comes as the launcher gives it, or as arguments when commandLine is null.
    ToolRun Viewer(const char* commandLine, const std::vector<std::string>& arguments = {}) const {
        std::vector<std::string> argv{device.Host("Windows/peghelp.exe")};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return RunTool(argv, {.environment = {{"TAPWEAVE_COMMAND_LINE",
                                               commandLine ? std::optional<std::string>(commandLine)
                                                           : std::nullopt}},
                              .errorsToOutput = true});
    }

    std::string Shown(const std::string& hostPath) const { return "Help: " + hostPath + "\n"; }

    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    ScopedEnvironment noX11{"DISPLAY", nullptr};
    ScopedEnvironment noWayland{"WAYLAND_DISPLAY", nullptr};
    TempDevice device;
};

} // namespace

TEST_F(HelpViewer, WithoutADisplayItTellsWhereTheHelpFileIs) {
    const std::string installed = device.Host("Windows/Tapweave Help.htm");
    struct Case {
        const char* commandLine;
        std::vector<std::string> arguments;
    };
    const Case cases[] = {
        {"Tapweave Help.htm", {}},
        // Quoted, with white space around, in other case, as a device path.
        {" \"tapweave help.HTM\" ", {}},
        {"\\Windows\\Tapweave Help.htm", {}},
        // Started by hand: the arguments name it; no argument at all means the product's help.
        {nullptr, {"Tapweave", "Help.htm"}},
        {nullptr, {}},
    };
    for (const Case& c : cases) {
        const ToolRun run = Viewer(c.commandLine, c.arguments);
        const std::string trace =
            c.commandLine ? c.commandLine : testing::PrintToString(c.arguments);
        EXPECT_EQ(run.exitCode, 0) << trace;
        EXPECT_EQ(run.output, Shown(installed)) << trace;
    }

    const std::string source = TAPWEAVE_SOURCE_DIR "/help/Tapweave Help.htm";
    const ToolRun host = Viewer(source.c_str());
    EXPECT_EQ(host.exitCode, 0);
    EXPECT_EQ(host.output, Shown(source));
}

TEST_F(HelpViewer, AMissingHelpFileIsAnErrorThatNamesIt) {
    for (const char* missing :
         {"Other Help.htm", "\\Windows\\..\\..\\etc\\passwd", "\\Windows", "/nowhere/Help.htm"}) {
        const ToolRun run = Viewer(missing);
        EXPECT_EQ(run.exitCode, 1) << missing;
        EXPECT_NE(run.output.find(missing), std::string::npos) << run.output;
    }
}

TEST_F(HelpViewer, HelpInADialogStartsTheViewerOnTheProductsHelp) {
    // The viewer writes to this process's standard output, which it inherits: a pipe for now.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::fflush(stdout);
    const int savedOut = dup(STDOUT_FILENO);
    dup2(fds[1], STDOUT_FILENO);
    close(fds[1]);

    std::thread user([] {
        HWND about = nullptr;
        WaitUntil([&] { return (about = FindWindowW(L"Dialog", L"About")) != nullptr; }, 10s);
        SendMessageW(about, WM_HELP, 0, 0);
        PostMessageW(about, WM_COMMAND, IDOK, 0);
    });
    ShowAboutDialog(0);
    user.join();
    dup2(savedOut, STDOUT_FILENO);
    close(savedOut);

    // Everything the viewer printed, up to its end.
    std::string out;
    pollfd ready{fds[0], POLLIN, 0};
    char buffer[512];
    while (poll(&ready, 1, 10000) > 0) {
        const ssize_t count = read(fds[0], buffer, sizeof buffer);
        if (count <= 0) {
            break;
        }
        out.append(buffer, static_cast<std::size_t>(count));
    }
    close(fds[0]);
    EXPECT_EQ(out, Shown(device.Host("Windows/Tapweave Help.htm")));
}
