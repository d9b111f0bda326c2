// The player as a real process on a temporary device, without a display: it plays the macro it
// is given into the input journal and ends with 0; its command line is cut as the device's
// player cuts it; without a name it shows the library window, and with a name it cannot load
// the About dialog, each until a message closes it.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "MacroLibrary.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/windows.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

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
    void TearDown() override {
        alarm(0);
        for (const pid_t pid : started) {
            if (waitpid(pid, nullptr, WNOHANG) == 0) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
        }
    }

    // Starts the player from a Linux shell with these arguments or, with a command-line text,
    // as the device's shell starts it with that exact text.
    pid_t Start(const std::vector<std::string>& arguments,
                const std::optional<std::string>& commandLine = std::nullopt) {
        std::vector<std::string> variables;
        for (char** variable = environ; *variable; ++variable) {
            if (std::strncmp(*variable, "TAPWEAVE_COMMAND_LINE=", 22) != 0) {
                variables.emplace_back(*variable);
            }
        }
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        if (commandLine) {
            // The device's shell starts each program in a session of its own with its text.
            variables.push_back("TAPWEAVE_COMMAND_LINE=" + *commandLine);
            posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
        }
        std::vector<std::string> argv{player};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> argvPointers;
        for (std::string& argument : argv) {
            argvPointers.push_back(argument.data());
        }
        argvPointers.push_back(nullptr);
        std::vector<char*> envPointers;
        for (std::string& variable : variables) {
            envPointers.push_back(variable.data());
        }
        envPointers.push_back(nullptr);
        pid_t pid = -1;
        const int error = posix_spawn(&pid, player.c_str(), nullptr, &attributes,
                                      argvPointers.data(), envPointers.data());
        posix_spawnattr_destroy(&attributes);
        EXPECT_EQ(error, 0);
        started.push_back(pid);
        return pid;
    }

    // The exit code once the process has ended; -1 when it has not ended within the timeout.
    static int ExitCode(pid_t pid, std::chrono::seconds timeout = 20s) {
        int status = 0;
        if (!WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeout)) {
            return -1;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static bool Running(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) == 0; }

    static int DeviceTool(const std::string& arguments) {
        return std::system(
            ("timeout 20 " TAPWEAVE_BIN_DIR "/tapweave-device " + arguments + " >/dev/null 2>&1")
                .c_str());
    }

    TempDevice device;
    MacroLibrary library{device, player};
    std::string journal = device.Directory() + "/journal.log";
    ScopedEnvironment input{"TAPWEAVE_INPUT", ("journal:" + journal).c_str()};
    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    ScopedEnvironment noDisplay{"DISPLAY", nullptr};
    ScopedEnvironment screen{"TAPWEAVE_SCREEN", "240x320"};
    std::vector<pid_t> started;
};

TEST_F(PlayerProcess, PlaysTheNamedMacroIntoTheJournalAndEnds) {
    library.Save("My Macro", "Press 120 200\nMove 121 201\nPause 0.02 s\nRelease \n");
    EXPECT_EQ(ExitCode(Start({"My Macro"})), 0);
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
        EXPECT_EQ(ExitCode(Start({}, each.commandLine)), 0) << each.commandLine;
        EXPECT_EQ(Injected(journal), each.injected) << each.commandLine;
    }
}

TEST_F(PlayerProcess, AMacroStartedFromItsShortcutPlays) {
    library.Save("From Shortcut", "Press 7 8\nRelease \n");
    SHELLEXECUTEINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = L"open";
    info.lpFile = L"\\Windows\\Start Menu\\Programs\\Tapweave\\From Shortcut.lnk";
    ASSERT_TRUE(ShellExecuteEx(&info));
    EXPECT_TRUE(WaitUntil([&] { return Injected(journal).size() == 2; }));
    EXPECT_EQ(Injected(journal), (std::vector<std::string>{Press(7, 8), Release(7, 8)}));
}

// Neither a FIFO, which no one writes, nor a link to an endless device, nor a folder is a
// macro: each shows About at once, as a missing macro does.
TEST_F(PlayerProcess, AMacroThatCannotBeLoadedShowsAboutUntilItIsClosed) {
    const std::string folder = device.Host(MacroLibrary::macroFolder);
    ASSERT_EQ(mkfifo((folder + "Fifo.macros").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", folder + "Zero.macros");
    std::filesystem::create_directory(folder + "Folder.macros");
    for (const char* name : {"Macros - About", "Fifo", "Zero", "Folder"}) {
        const pid_t pid = Start({name});
        ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"About") != nullptr; })) << name;
        EXPECT_TRUE(Running(pid));
        EXPECT_EQ(DeviceTool("send Dialog About WM_COMMAND 1 0"), 0);
        EXPECT_EQ(ExitCode(pid), 0) << name;
        EXPECT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"About") == nullptr; }));
    }
    EXPECT_TRUE(Injected(journal).empty());
}

TEST_F(PlayerProcess, WithoutANameTheLibraryWindowShowsUntilItIsClosed) {
    library.Save("Listed", "Press 1 1\n");
    const pid_t pid = Start({});
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"Tapweave") != nullptr; }));
    EXPECT_TRUE(Running(pid));
    EXPECT_EQ(DeviceTool("send Dialog Tapweave WM_COMMAND 1 0"), 0);
    EXPECT_EQ(ExitCode(pid), 0);
    EXPECT_TRUE(Injected(journal).empty());
}

} // namespace
