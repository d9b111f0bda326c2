// The macro library window on a private Xvfb, used as a person uses it: the player started
// without a name shows the saved macros; a tap on one (xdotool) starts its shortcut, whose
// player taps through XTest into an X client at the macro's pixels, and the Pause key stops a
// playback with the stylus released. A recording saved there opens with its label ready for
// typing the new name. Screenshots are kept in the build directory (library-window.png,
// library-rename.png, library-typing.png).
//
// This binary doubles as the program that saves a recording: with TAPWEAVE_LIBRARY_SAVE set,
// it runs the helper test that loads that macro into the document and saves it.
#include <gtest/gtest.h>

#include <X11/X.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "DeviceTool.h"
#include "MacroDocument.h"
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
// The client that receives the macro's taps, below the library's first row of icons.
constexpr int clientX = 280;
constexpr int clientY = 400;
constexpr int clientSize = 150;

// The library window closed, as its "ok" closes it.
int CloseLibrary() {
    return DeviceTool({"send", "Dialog", "Tapweave", "WM_COMMAND", "1", "0"}).exitCode;
}

class LibraryOnDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!XvfbServer::Installed()) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_TRUE(server->Running()) << server->Error();
        device.emplace();
        library.emplace(*device, TAPWEAVE_BIN_DIR "/tapweave-player");
        alarm(90);
    }
    void TearDown() override { alarm(0); }

    // The library window's list, in screen pixels, once the window is on the screen.
    std::optional<RECT> LibraryWindow() {
        HWND dialog = nullptr;
        if (!WaitUntil([&] { return (dialog = FindWindowW(L"Dialog", L"Tapweave")) != nullptr; }) ||
            !WaitUntil([this] {
                return OnDisplay({"xdotool", "search", "--onlyvisible", "--name", "^Tapweave$"})
                           .exitCode == 0;
            })) {
            return std::nullopt;
        }
        RECT rect{};
        GetWindowRect(dialog, &rect);
        // Let it paint before anyone looks.
        std::this_thread::sleep_for(500ms);
        return rect;
    }

    ToolRun OnDisplay(const std::vector<std::string>& command) {
        return server->RunProgram(command);
    }

    // How many windows of the player are on the screen.
    std::size_t PlayerWindows() {
        const std::string ids =
            OnDisplay({"xdotool", "search", "--onlyvisible", "--classname", "tapweave-player"})
                .output;
        return static_cast<std::size_t>(std::count(ids.begin(), ids.end(), '\n'));
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
};

TEST_F(LibraryOnDisplay, TappingAMacroPlaysItIntoTheProgramUnderIt) {
    // The centre of the client, then a pixel near its corner.
    library->Save("Tap The Client", "Press 355 475\nRelease \nPause 0.05 s\nPress 281 401\n"
                                    "Release \n");
    library->Save("Other Macro", "Press 1 1\nRelease \n");
    ChildProcess player = server->StartProgram({TAPWEAVE_BIN_DIR "/tapweave-player"});
    ASSERT_TRUE(player.Started());
    const std::optional<RECT> window = LibraryWindow();
    ASSERT_TRUE(window) << "no library window";
    Screenshot("library-window.png");

    XInputClient client(server->Name(),
                        {clientX, clientY, clientSize, clientSize, /*takeFocus=*/false, {}});
    ASSERT_TRUE(client.WaitReady(10s));
    // The first icon of the list ("Other Macro" sorts before "Tap The Client"), then the second.
    const int iconY = static_cast<int>(window->top) + 18;
    ASSERT_EQ(OnDisplay({"xdotool", "mousemove", std::to_string(window->left + 37 + 75),
                         std::to_string(iconY), "click", "1"})
                  .exitCode,
              0);

    const std::vector<XInputClient::Arrival> arrivals = client.WaitFor(4, 20s);
    ASSERT_EQ(arrivals.size(), 4u);
    const int expected[][3] = {
        {ButtonPress, 75, 75}, {ButtonRelease, 75, 75}, {ButtonPress, 1, 1}, {ButtonRelease, 1, 1}};
    for (std::size_t i = 0; i < arrivals.size(); ++i) {
        EXPECT_EQ(arrivals[i].type, expected[i][0]) << i;
        EXPECT_EQ(arrivals[i].x, expected[i][1]) << i;
        EXPECT_EQ(arrivals[i].y, expected[i][2]) << i;
    }

    // The library window stays until its "ok" closes it.
    EXPECT_TRUE(player.Running());
    EXPECT_EQ(CloseLibrary(), 0);
    EXPECT_EQ(player.ExitCode(), 0);
}

// A playback going wrong is stopped by the Pause key, pressed from outside the player: the
// stylus is released where it was pressed, and the player ends with 0. The key is pressed until
// the player ends, since the key is grabbed only when the playback first waits.
TEST_F(LibraryOnDisplay, ThePauseKeyStopsAPlaybackWithTheStylusReleased) {
    library->Save("Long", "Press 355 475\nPause 600 s\nRelease \n");
    XInputClient client(server->Name(),
                        {clientX, clientY, clientSize, clientSize, /*takeFocus=*/false, {}});
    ASSERT_TRUE(client.WaitReady(10s));
    ChildProcess player = server->StartProgram({TAPWEAVE_BIN_DIR "/tapweave-player", "Long"});
    ASSERT_TRUE(player.Started());
    ASSERT_EQ(client.WaitFor(1, 20s).size(), 1u);

    EXPECT_TRUE(WaitUntil([&] {
        OnDisplay({"xdotool", "key", "Pause"});
        return player.WaitStatus(200ms).has_value();
    }));
    EXPECT_EQ(player.ExitCode(), 0);
    // Presses made before the grab reach the client as keys; only the stylus counts here.
    std::vector<XInputClient::Arrival> stylus;
    const auto isStylus = [](const XInputClient::Arrival& arrival) {
        return arrival.type == ButtonPress || arrival.type == ButtonRelease;
    };
    WaitUntil(
        [&] {
            const std::vector<XInputClient::Arrival> arrivals = client.WaitFor(2, 100ms);
            stylus.clear();
            std::copy_if(arrivals.begin(), arrivals.end(), std::back_inserter(stylus), isStylus);
            return stylus.size() >= 2;
        },
        10s);
    ASSERT_EQ(stylus.size(), 2u);
    EXPECT_EQ(stylus[0].type, ButtonPress);
    EXPECT_EQ(stylus[1].type, ButtonRelease);
    EXPECT_EQ(stylus[1].x, 75);
    EXPECT_EQ(stylus[1].y, 75);

    // A macro without a pause, played again and again, never waits; the key stops it too.
    library->Save("Quick", "Press 355 475\nRelease \n");
    ChildProcess again =
        server->StartProgram({TAPWEAVE_BIN_DIR "/tapweave-player", "--repeat", "0", "Quick"});
    ASSERT_TRUE(again.Started());
    EXPECT_TRUE(WaitUntil([&] {
        OnDisplay({"xdotool", "key", "Pause"});
        return again.WaitStatus(200ms).has_value();
    }));
    EXPECT_EQ(again.ExitCode(), 0);
}

TEST_F(LibraryOnDisplay, ASavedRecordingOpensReadyToBeNamed) {
    library->Save("Recorded", "Press 10 20\nRelease \n");
    std::filesystem::remove(device->Host(MacroLibrary::shortcutFolder + "Recorded.lnk"));
    const ScopedEnvironment role("TAPWEAVE_LIBRARY_SAVE", "Recorded");
    const ScopedEnvironment filter("GTEST_FILTER", "LibraryHelper.DISABLED_SaveRecording");
    const ScopedEnvironment disabled("GTEST_ALSO_RUN_DISABLED_TESTS", "1");
    ChildProcess recorder = server->StartProgram({"/proc/self/exe"});
    ASSERT_TRUE(recorder.Started());
    ASSERT_TRUE(LibraryWindow()) << "no library window";
    Screenshot("library-rename.png");

    // The new macro's label is open: typing replaces it, Enter renames the macro.
    ASSERT_EQ(OnDisplay({"xdotool", "key", "ctrl+a", "type", "Groceries"}).exitCode, 0);
    ASSERT_EQ(OnDisplay({"xdotool", "key", "Return"}).exitCode, 0);
    EXPECT_TRUE(WaitUntil([&] { return library->HasMacroFile("Groceries"); }));
    EXPECT_TRUE(library->HasShortcut("Groceries"));
    EXPECT_FALSE(library->HasMacroFile("New Macro"));
    EXPECT_FALSE(library->HasShortcut("New Macro"));
    EXPECT_EQ(device->Read(MacroLibrary::macroFolder + "Groceries.macros"),
              "Press 10 20\nRelease \n");

    EXPECT_EQ(CloseLibrary(), 0);
    EXPECT_EQ(recorder.ExitCode(), 0);
}

TEST_F(LibraryOnDisplay, HoldingAMacroOffersRenameAndTypingRenamesIt) {
    library->Save("Old Name", "Press 1 1\nRelease \n");
    ChildProcess player = server->StartProgram({TAPWEAVE_BIN_DIR "/tapweave-player"});
    ASSERT_TRUE(player.Started());
    const std::optional<RECT> window = LibraryWindow();
    ASSERT_TRUE(window) << "no library window";
    const std::size_t windows = PlayerWindows();

    // A right click stands for tap-and-hold; the menu's first command is "Rename".
    ASSERT_EQ(OnDisplay({"xdotool", "mousemove", std::to_string(window->left + 37),
                         std::to_string(window->top + 18), "click", "3"})
                  .exitCode,
              0);
    ASSERT_TRUE(WaitUntil([&] { return PlayerWindows() > windows; })) << "no menu";
    ASSERT_EQ(OnDisplay({"xdotool", "key", "Down", "Return"}).exitCode, 0);
    // The label stays open while the menu's owner gets the focus back.
    ASSERT_TRUE(WaitUntil([&] { return PlayerWindows() == windows; }));
    ASSERT_EQ(OnDisplay({"xdotool", "key", "ctrl+a", "type", "New Name"}).exitCode, 0);
    Screenshot("library-typing.png");
    ASSERT_EQ(OnDisplay({"xdotool", "key", "Return"}).exitCode, 0);
    EXPECT_TRUE(WaitUntil([&] { return library->HasShortcut("New Name"); }));
    EXPECT_TRUE(library->HasMacroFile("New Name"));
    EXPECT_FALSE(library->HasMacroFile("Old Name"));
    EXPECT_FALSE(library->HasShortcut("Old Name"));

    EXPECT_EQ(CloseLibrary(), 0);
    EXPECT_EQ(player.ExitCode(), 0);
}

// On a desktop's screen, with a real window manager, the library is a window of a handheld's
// size that Escape and the manager's close (openbox's Alt+F4) leave as its "ok" does; About and
// the help look the same. Screenshots: desktop-library.png, desktop-about.png, desktop-help.png.
TEST(LibraryOnADesktop, IsAWindowOfAHandheldsSizeThatEscapeAndTheWindowManagerClose) {
    if (!XvfbServer::Installed()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    if (std::system("command -v openbox >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "openbox is not installed (scripts/deps.sh installs it)";
    }
    const ScopedEnvironment noDisplay("DISPLAY", nullptr);
    const ScopedEnvironment gui("TAPWEAVE_GUI", nullptr);
    const ScopedEnvironment screen("TAPWEAVE_SCREEN", nullptr);
    XvfbServer server(1280, 800);
    ASSERT_TRUE(server.Running()) << server.Error();
    TempDevice device;
    alarm(120);
    ChildProcess manager = server.StartProgram({"openbox"});
    ASSERT_TRUE(manager.Started());
    // openbox announces itself before it manages new windows, and a window mapped while it
    // starts may stay unmanaged: it is ready once it has framed a probe window, shown anew
    // until it does.
    ASSERT_TRUE(WaitUntil([&] {
        ChildProcess probe = server.StartProgram({"xmessage", "-name", "probe", "probe"});
        return WaitUntil(
            [&] {
                return server.RunProgram({"xprop", "-name", "probe", "WM_STATE"})
                           .output.find("Normal") != std::string::npos;
            },
            2s);
    })) << "openbox did not start";
    const auto shot = [&](const std::string& name) {
        std::this_thread::sleep_for(500ms);
        EXPECT_TRUE(server.Screenshot(std::string(TAPWEAVE_BIN_DIR "/../") + name)) << name;
    };
    // The window of that title once it is on the screen and has the keyboard, as a window a
    // person has just opened does.
    const auto frontWindow = [&](const std::string& title) {
        std::string id;
        const bool active = WaitUntil([&] {
            id = server.RunProgram({"xdotool", "search", "--onlyvisible", "--name", title}).output;
            return !id.empty() && server.RunProgram({"xdotool", "getactivewindow"}).output == id;
        });
        return active ? id.substr(0, id.find('\n')) : std::string();
    };

    for (const char* leave : {"Escape", "alt+F4"}) {
        ChildProcess player = server.StartProgram({TAPWEAVE_BIN_DIR "/tapweave-player"});
        ASSERT_TRUE(player.Started());
        const std::string id = frontWindow("^Tapweave$");
        ASSERT_FALSE(id.empty()) << "no library window in front";
        // Its inside: the device's caption, list and menu bar, 480 x 640 pixels.
        EXPECT_NE(server.RunProgram({"xdotool", "getwindowgeometry", id})
                      .output.find("Geometry: 480x640"),
                  std::string::npos);
        RECT rect{};
        ASSERT_TRUE(GetWindowRect(FindWindowW(L"Dialog", L"Tapweave"), &rect));
        EXPECT_EQ(rect.right - rect.left, 480);
        EXPECT_EQ(rect.bottom - rect.top, 640 - SH_CAPTION_HEIGHT - SH_MENUBAR_HEIGHT);
        shot(std::string("desktop-library-") + leave + ".png");
        ASSERT_EQ(server.RunProgram({"xdotool", "key", leave}).exitCode, 0);
        EXPECT_EQ(player.ExitCode(), 0);
    }

    ChildProcess about =
        server.StartProgram({TAPWEAVE_BIN_DIR "/tapweave-player", "Macros - About"});
    ASSERT_TRUE(about.Started());
    ASSERT_FALSE(frontWindow("^About$").empty()) << "no About window in front";
    shot("desktop-about.png");
    ASSERT_EQ(server.RunProgram({"xdotool", "key", "Escape"}).exitCode, 0);
    EXPECT_EQ(about.ExitCode(), 0);

    ChildProcess help = server.StartProgram({TAPWEAVE_BIN_DIR "/tapweave-help"});
    ASSERT_TRUE(help.Started());
    const std::string helpId = frontWindow("^Tapweave Help$");
    ASSERT_FALSE(helpId.empty()) << "no help window in front";
    EXPECT_NE(server.RunProgram({"xdotool", "getwindowgeometry", helpId})
                  .output.find("Geometry: 480x640"),
              std::string::npos);
    shot("desktop-help.png");
    ASSERT_EQ(server.RunProgram({"xdotool", "key", "Escape"}).exitCode, 0);
    EXPECT_EQ(help.ExitCode(), 0);
    alarm(0);
}

// Run as its own program by ASavedRecordingOpensReadyToBeNamed: the document holds a recording and
// is saved.
TEST(LibraryHelper, DISABLED_SaveRecording) {
    const char* name = std::getenv("TAPWEAVE_LIBRARY_SAVE");
    ASSERT_NE(name, nullptr);
    alarm(60);
    MacroDocument document;
    ASSERT_TRUE(document.Load(std::wstring(name, name + std::strlen(name))));
    document.Save();
}

} // namespace
