// The player as a real process on a temporary device, without a display: it plays the macro it
// is given into the input journal and ends with 0, loading only what that needs; its command line
// is cut as the device's player cuts it; without a name it shows the library window, and with a
// name it cannot load the About dialog, each until a message closes it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <list>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "DeviceTool.h"
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
// loads neither the registry's SQLite, nor Qt, nor libevdev, nor Xlib without a display.
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
            std::ifstream log(entry.path());
            loaded.append(std::istreambuf_iterator<char>(log), {});
        }
    }
    ASSERT_NE(loaded.find("libtapweave-platform"), std::string::npos);
    for (const char* library :
         {"libsqlite3", "libQt", "libtapweave-gui-qt", "libevdev", "libX11"}) {
        EXPECT_EQ(loaded.find(library), std::string::npos) << library;
    }
}

// Neither a FIFO, which no one writes, nor a link to an endless device, nor a folder is a
// macro: each shows About at once, as a missing macro does.
TEST_F(PlayerProcess, AMacroThatCannotBeLoadedShowsAboutUntilItIsClosed) {
    const std::string folder = device.Host(MacroLibrary::macroFolder);
    ASSERT_EQ(mkfifo((folder + "Fifo.macros").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", folder + "Zero.macros");
    std::filesystem::create_directory(folder + "Folder.macros");
    for (const char* name : {"Macros - About", "Fifo", "Zero", "Folder"}) {
        ChildProcess& process = Start({name});
        ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"About") != nullptr; })) << name;
        EXPECT_TRUE(process.Running());
        EXPECT_EQ(DeviceTool({"send", "Dialog", "About", "WM_COMMAND", "1", "0"}).exitCode, 0);
        EXPECT_EQ(process.ExitCode(), 0) << name;
        EXPECT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"About") == nullptr; }));
    }
    EXPECT_TRUE(Injected(journal).empty());
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
