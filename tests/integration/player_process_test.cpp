// The player as a real process on a temporary device, without a display: it plays the macro it
// is given into the input journal and ends with 0, loading only what that needs; its command line
// is cut as the device's player cuts it; without a name it shows the library window until a
// message closes it, and a name it cannot load is said on standard error. From a Linux shell it
// takes options; a stopped playback releases the stylus.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <list>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "DeviceTool.h"
#include "FileContent.h"
#include "MacroLibrary.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/windows.h"

namespace {

const std::string player = TAPWEAVE_BIN_DIR "/tapweave-player";

// The journal's lines without their times.
std::vector<std::string> Injected(const std::string& journal) {
    std::ifstream in(journal);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line.substr(0, line.find(" t_us=")));
    }
    return lines;
}

std::string Press(int x, int y) {
    // 240 x 320 screen: 273 and 204 per pixel.
    return "mouse_event flags=0x8002 dx=" + std::to_string(x * 273) +
           " dy=" + std::to_string(y * 204);
}

std::string Release(int x, int y) {
    return "mouse_event flags=0x8004 dx=" + std::to_string(x * 273) +
           " dy=" + std::to_string(y * 204);
}

class PlayerProcess : public ::testing::Test {
  protected:
    // A player that hangs fails the test instead of hanging it.
    void SetUp() override { alarm(90); }
    void TearDown() override { alarm(0); }

    // Starts the player from a Linux shell with these arguments or, with a command-line text,
    // as the device's shell starts it with that exact text.
    ChildProcess& Start(const std::vector<std::string>& arguments,
                        const std::optional<std::string>& commandLine = std::nullopt) {
        std::vector<std::string> argv{player};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        // The device's shell starts each program in a session of its own with its text.
        ChildProcess& started = players.emplace_back(
            argv, ChildProcess::Options{.environment = {{"TAPWEAVE_COMMAND_LINE", commandLine}},
                                        .newSession = commandLine.has_value()});
        EXPECT_TRUE(started.Started());
        return started;
    }

    TempDevice device;
    MacroLibrary library{device, player};
    std::string journal = device.Directory() + "/journal.log";
    ScopedEnvironment input{"TAPWEAVE_INPUT", ("journal:" + journal).c_str()};
    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    ScopedEnvironment noDisplay{"DISPLAY", nullptr};
    ScopedEnvironment screen{"TAPWEAVE_SCREEN", "240x320"};
    std::list<ChildProcess> players;
};

TEST_F(PlayerProcess, PlaysTheNamedMacroIntoTheJournalAndEnds) {
    library.Save("My Macro", "Press 120 200\nMove 121 201\nPause 0.02 s\nRelease \n");
    EXPECT_EQ(Start({"My Macro"}).ExitCode(), 0);
    EXPECT_EQ(Injected(journal), (std::vector<std::string>{
                                     Press(120, 200), "mouse_event flags=0x8001 dx=33033 dy=41004",
                                     Release(121, 201)}));
}

TEST_F(PlayerProcess, TheCommandLineIsCutAsTheDevicesPlayerCutsIt) {
    library.Save("My Macro", "Press 1 1\nRelease \n");
    library.Save("   ", "Press 3 3\nRelease \n");
    library.Save("", "Press 4 4\nRelease \n");
    library.Save("Summer Macro", "Press 5 5\nRelease \n");
    const struct {
        std::string commandLine;
        std::vector<std::string> injected;
    } cases[] = {
        {"\"My Macro\"", {Press(1, 1), Release(1, 1)}},
        // Three spaces between quotes are a name of three spaces; two quotes an empty name.
        {"\"   \"", {Press(3, 3), Release(3, 3)}},
        {"\"\"", {Press(4, 4), Release(4, 4)}},
        {"Sum\"mer Ma\"cro", {Press(5, 5), Release(5, 5)}},
        // A quote left open runs to the end.
        {"\"My Macro", {Press(1, 1), Release(1, 1)}},
        // Two arguments: nothing at all, not even the About dialog.
        {"My Macro", {}},
        {"\"My Macro\" \"My Macro\"", {}},
    };
    for (const auto& each : cases) {
        std::remove(journal.c_str());
        EXPECT_EQ(Start({}, each.commandLine).ExitCode(), 0) << each.commandLine;
        EXPECT_EQ(Injected(journal), each.injected) << each.commandLine;
    }
}

// Started from its shortcut, the player finds its macros beside itself: playing into the journal
// loads neither the registry's SQLite, nor Qt, nor libevdev, nor Xlib without a display, nor any
// shared C++ library, since the player has its own code and the C++ runtime built in.
TEST_F(PlayerProcess, AMacroStartedFromItsShortcutPlaysWithoutLoadingWhatItDoesNotUse) {
    library.Save("From Shortcut", "Press 7 8\nRelease \n");
    const std::string loaderLog = device.Directory() + "/loader";
    {
        ScopedEnvironment files("LD_DEBUG", "files");
        ScopedEnvironment output("LD_DEBUG_OUTPUT", loaderLog.c_str());
        SHELLEXECUTEINFO info{};
        info.cbSize = sizeof info;
        info.lpVerb = L"open";
        info.lpFile = L"\\Windows\\Start Menu\\Programs\\Tapweave\\From Shortcut.lnk";
        ASSERT_TRUE(ShellExecuteEx(&info));
    }
    EXPECT_TRUE(WaitUntil([&] { return Injected(journal).size() == 2; }));
    EXPECT_EQ(Injected(journal), (std::vector<std::string>{Press(7, 8), Release(7, 8)}));

    std::string loaded;
    for (const auto& entry : std::filesystem::directory_iterator(device.Directory())) {
        if (entry.path().filename().string().starts_with("loader.")) {
            loaded += FileContent(entry.path());
        }
    }
    ASSERT_NE(loaded.find("libc.so"), std::string::npos);
    for (const char* library :
         {"libsqlite3", "libQt", "libtapweave", "libstdc++", "libevdev", "libX11"}) {
        EXPECT_EQ(loaded.find(library), std::string::npos) << library;
    }
}

// Neither a FIFO, which no one writes, nor a link to an endless device, nor a folder is a
// macro. Without a display nobody could close the About dialog: the player names the macro on
// standard error and ends with 1 at once.
TEST_F(PlayerProcess, AMacroThatCannotBeLoadedIsNamedWithoutADisplay) {
    const std::string folder = device.Host(MacroLibrary::macroFolder);
    ASSERT_EQ(mkfifo((folder + "Fifo.macros").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", folder + "Zero.macros");
    std::filesystem::create_directory(folder + "Folder.macros");
    for (const char* name : {"Macros - About", "Fifo", "Zero", "Folder"}) {
        const ToolRun run = RunTool({player, name});
        EXPECT_EQ(run.exitCode, 1) << name;
        EXPECT_NE(run.errors.find(std::string("\"") + name + "\""), std::string::npos)
            << run.errors;
        EXPECT_EQ(FindWindowW(L"Dialog", L"About"), nullptr);
    }
    EXPECT_TRUE(Injected(journal).empty());
}

// Options come from a Linux shell's argv only; what the device's shell gives is a name.
TEST_F(PlayerProcess, OptionsComeOnlyFromALinuxShell) {
    library.Save("--help", "Press 1 1\nRelease \n");
    const ToolRun help = RunTool({player, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.output.starts_with("usage:")) << help.output;
    EXPECT_EQ(RunTool({player, "--version"}).output, "1.2\n");
    for (const std::vector<std::string>& refused :
         {std::vector<std::string>{"--speed", "0.09", "x"},
          {"--speed=10.5", "x"},
          {"--speed", "fast", "x"},
          {"--repeat", "-1", "x"},
          {"--repeat", "2"},
          {"--bogus", "x"},
          {"--repeat", "2", "My", "Macro"},
          {"--speed"},
          {"--stop", "x"}}) {
        std::vector<std::string> arguments{player};
        arguments.insert(arguments.end(), refused.begin(), refused.end());
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, 2) << refused.front();
        EXPECT_NE(run.errors.find("usage:"), std::string::npos);
    }
    EXPECT_TRUE(Injected(journal).empty());
    // A shortcut's quoted name is a name, and so is what follows "--".
    EXPECT_EQ(Start({}, "\"--help\"").ExitCode(), 0);
    EXPECT_EQ(Start({"--", "--help"}).ExitCode(), 0);
    EXPECT_EQ(Injected(journal),
              (std::vector<std::string>{Press(1, 1), Release(1, 1), Press(1, 1), Release(1, 1)}));
}

TEST_F(PlayerProcess, RepeatsAndNeverLeavesTheStylusDown) {
    // Cut short after a move of the pressed stylus: released where it was, each time.
    library.Save("Cut", "Press 1 1\nPause 0.01 s\nMove 2 2\n");
    EXPECT_EQ(Start({"--repeat", "3", "--speed", "2", "Cut"}).ExitCode(), 0);
    std::vector<std::string> expected;
    for (int time = 0; time < 3; ++time) {
        expected.insert(expected.end(),
                        {Press(1, 1), "mouse_event flags=0x8001 dx=546 dy=408", Release(2, 2)});
    }
    EXPECT_EQ(Injected(journal), expected);
}

// SIGTERM, SIGINT and --stop end a playback in the middle of a long pause, with the stylus
// released, and the player ends with 0; --stop ends every playback of the device, however
// often it was to repeat.
TEST_F(PlayerProcess, AStoppedPlaybackReleasesTheStylusAndEnds) {
    library.Save("Long", "Press 3 4\nPause 600 s\nRelease \n");
    for (const int signal : {SIGTERM, SIGINT}) {
        std::remove(journal.c_str());
        ChildProcess& playing = Start({"Long"});
        ASSERT_TRUE(WaitUntil([&] { return Injected(journal).size() == 1; }));
        kill(playing.Pid(), signal);
        EXPECT_EQ(playing.ExitCode(), 0);
        EXPECT_EQ(Injected(journal), (std::vector<std::string>{Press(3, 4), Release(3, 4)}));
    }
    std::remove(journal.c_str());
    ChildProcess& once = Start({"Long"});
    ChildProcess& forever = Start({"--repeat", "0", "Long"});
    ASSERT_TRUE(WaitUntil([&] { return Injected(journal).size() == 2; }));
    EXPECT_EQ(RunTool({player, "--stop"}).exitCode, 0);
    // --stop returns once the playbacks have ended.
    EXPECT_FALSE(once.Running());
    EXPECT_FALSE(forever.Running());
    EXPECT_EQ(once.ExitCode(), 0);
    EXPECT_EQ(forever.ExitCode(), 0);
    EXPECT_EQ(Injected(journal),
              (std::vector<std::string>{Press(3, 4), Press(3, 4), Release(3, 4), Release(3, 4)}));
    EXPECT_TRUE(std::filesystem::is_empty(device.Directory() + "/run/playback"));
}

TEST_F(PlayerProcess, WithoutANameTheLibraryWindowShowsUntilItIsClosed) {
    library.Save("Listed", "Press 1 1\n");
    ChildProcess& process = Start({});
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"Tapweave") != nullptr; }));
    EXPECT_TRUE(process.Running());
    EXPECT_EQ(DeviceTool({"send", "Dialog", "Tapweave", "WM_COMMAND", "1", "0"}).exitCode, 0);
    EXPECT_EQ(process.ExitCode(), 0);
    EXPECT_TRUE(Injected(journal).empty());
}

} // namespace
