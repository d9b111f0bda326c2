// The recorder as a process of its own on a device without a display: one instance at a time,
// its stored place, closing with the capture calibrated and not, quitting, starting without a
// touch source, and a recording made from a touch script, with the buttons tapped through
// messages as the window would receive them.
#include <gtest/gtest.h>

#include <chrono>
#include <list>
#include <sstream>
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
#include "platform/gui.h"
#include "platform/registry.h"
#include "platform/windows.h"

namespace {

using namespace std::chrono_literals;

const std::string recorder = TAPWEAVE_BIN_DIR "/tapweave-recorder";
const wchar_t* const className = L"Tapweave Class";
const wchar_t* const title = L"Tapweave Recorder";

void WriteDword(const wchar_t* keyName, const wchar_t* name, DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, nullptr, 0, 0, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}

using Place = std::pair<LONG, LONG>;

Place StoredPlace() {
    HKEY key = nullptr;
    DWORD x = 0xFFFFFFFF;
    DWORD y = 0xFFFFFFFF;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window", 0, 0,
                      &key) == ERROR_SUCCESS) {
        DWORD size = sizeof(x);
        RegQueryValueExW(key, L"x", nullptr, nullptr, reinterpret_cast<LPBYTE>(&x), &size);
        size = sizeof(y);
        RegQueryValueExW(key, L"y", nullptr, nullptr, reinterpret_cast<LPBYTE>(&y), &size);
        RegCloseKey(key);
    }
    return {static_cast<LONG>(x), static_cast<LONG>(y)};
}

class RecorderProcess : public ::testing::Test {
  protected:
    // A recorder that hangs fails the test instead of hanging it.
    void SetUp() override {
        alarm(90);
        device.Write("touch.txt", "# no samples\n");
    }
    void TearDown() override { alarm(0); }

    ChildProcess& Start() {
        ChildProcess& started = recorders.emplace_back(std::vector<std::string>{recorder});
        EXPECT_TRUE(started.Started());
        return started;
    }

    static HWND Window() {
        HWND hwnd = nullptr;
        WaitUntil([&] { return (hwnd = FindWindowW(className, title)) != nullptr; });
        return hwnd;
    }

    static void Tap(HWND hwnd, int x, int y) {
        SendMessageW(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(x, y));
        SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }

    TempDevice device;
    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    ScopedEnvironment noDisplay{"DISPLAY", nullptr};
    ScopedEnvironment screen{"TAPWEAVE_SCREEN", "240x320"};
    std::string journal = device.Directory() + "/journal.log";
    ScopedEnvironment input{"TAPWEAVE_INPUT", ("journal:" + journal).c_str()};
    std::string script = "script:" + device.Host("touch.txt");
    ScopedEnvironment touch{"TAPWEAVE_TOUCH", script.c_str()};
    std::list<ChildProcess> recorders;
};

TEST_F(RecorderProcess, ASecondStartShowsTheFirstWindowAndEndsWithZero) {
    ChildProcess& first = Start();
    const HWND hwnd = Window();
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_HIDE);
    ASSERT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(Start().ExitCode(), 0);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(FindWindowW(className, title), hwnd);
}

// Started within a moment of each other, neither has its window yet when the other looks.
TEST_F(RecorderProcess, OfTwoStartedTogetherOneRunsAndTheOtherEnds) {
    for (int pair = 0; pair < 3; ++pair) {
        ChildProcess& a = Start();
        ChildProcess& b = Start();
        ChildProcess* ended = nullptr;
        ASSERT_TRUE(WaitUntil(
            [&] {
                for (ChildProcess* process : {&a, &b}) {
                    if (!process->Running()) {
                        ended = process;
                        return true;
                    }
                }
                return false;
            },
            20s))
            << "pair " << pair;
        EXPECT_EQ(ended->ExitCode(), 0);
        ChildProcess& survivor = ended == &a ? b : a;
        const HWND hwnd = Window();
        ASSERT_NE(hwnd, nullptr);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        EXPECT_EQ(owner, static_cast<DWORD>(survivor.Pid()));
        PostMessageW(hwnd, WM_CLOSE, 1, 0);
        ASSERT_EQ(survivor.ExitCode(), 0) << "pair " << pair;
    }
}

TEST_F(RecorderProcess, TheStoredPlaceIsUsedAsItIsAndTheEndSavesTheNewOne) {
    WriteDword(L"SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window", L"x", 10);
    WriteDword(L"SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window", L"y", 300);
    ChildProcess& process = Start();
    const HWND hwnd = Window();
    ASSERT_NE(hwnd, nullptr);
    // The window is entered in the device's directory before the recorder has placed it.
    RECT rect{};
    ASSERT_TRUE(WaitUntil([&] { return GetWindowRect(hwnd, &rect) && rect.right > rect.left; }));
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 300);
    EXPECT_EQ(rect.right - rect.left, 34);
    EXPECT_EQ(rect.bottom - rect.top, 18);
    // Dragged 5 pixels left, then asked to end: not calibrated, so it ends.
    SendMessageW(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(10, 5));
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    PostMessageW(hwnd, WM_CLOSE, 1, 0);
    EXPECT_EQ(process.ExitCode(), 0);
    EXPECT_EQ(StoredPlace(), Place(5, 300));
    EXPECT_EQ(FindWindowW(className, title), nullptr);
}

TEST_F(RecorderProcess, WithTheCaptureCalibratedClosingOnlyHidesAndTheNextStartShowsIt) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\TOUCH", 0, nullptr, 0, 0,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring calibration = L"100,200 900,200 900,1000 100,1000 500,600";
    RegSetValueExW(key, L"CalibrationData", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(calibration.c_str()),
                   static_cast<DWORD>((calibration.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    ChildProcess& process = Start();
    const HWND hwnd = Window();
    ASSERT_NE(hwnd, nullptr);
    PostMessageW(hwnd, WM_CLOSE, 1, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(hwnd); }));
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(process.Running());
    EXPECT_EQ(StoredPlace(), Place(103, 151));
    EXPECT_EQ(Start().ExitCode(), 0);
    EXPECT_TRUE(IsWindowVisible(hwnd));

    // A person's quit ends it all the same, and says nothing.
    const ToolRun quit = RunTool({recorder, "--quit"});
    EXPECT_EQ(quit.exitCode, 0) << quit.errors;
    EXPECT_EQ(quit.errors, "");
    EXPECT_EQ(process.ExitCode(), 0);
    EXPECT_EQ(FindWindowW(className, title), nullptr);
}

TEST_F(RecorderProcess, QuitWithNoneRunningAndAStartWithoutATouchSourceFailAndSaySo) {
    const ToolRun quit = RunTool({recorder, "--quit"});
    EXPECT_EQ(quit.exitCode, 1);
    EXPECT_NE(quit.errors.find("no recorder runs"), std::string::npos) << quit.errors;

    const ToolRun untouched = RunTool(
        {recorder}, {.environment = {{"TAPWEAVE_TOUCH", "script:" + device.Host("missing.txt")}}});
    EXPECT_EQ(untouched.exitCode, 1);
    EXPECT_NE(untouched.errors.find("no touch source"), std::string::npos) << untouched.errors;
    EXPECT_EQ(FindWindowW(className, title), nullptr);

    const ToolRun bad = RunTool({recorder, "--bogus"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.errors.find("usage: tapweave-recorder"), std::string::npos) << bad.errors;
}

// The test taps record, then the script draws a stroke outside the window; with nothing in
// front the recording starts on the Today screen;
// stop saves it as "New Macro" and opens the library window on it.
TEST_F(RecorderProcess, AStrokeFromTheTouchScriptIsSavedAsNewMacro) {
    MacroLibrary library(device, TAPWEAVE_BIN_DIR "/tapweave-player");
    // Calibrated quarter pixels: (400, 200) is the screen pixel (100, 50).
    device.Write("touch.txt", "3000 down 400 200\n"
                              "3020 down 400 200\n"
                              "3040 down 420 240\n"
                              "3100 up 420 240\n");
    ChildProcess& process = Start();
    const HWND hwnd = Window();
    ASSERT_NE(hwnd, nullptr);
    Tap(hwnd, 8, 8);
    ASSERT_TRUE(WaitUntil([&] {
        return RunTool({"grep", "-q", "0x8004", journal}).exitCode == 0;
    }));
    PostMessageW(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(24, 8));
    PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(24, 8));
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"Tapweave") != nullptr; }));
    EXPECT_TRUE(library.HasMacroFile("New Macro"));
    EXPECT_TRUE(library.HasShortcut("New Macro"));
    const std::string macro = device.Read(MacroLibrary::macroFolder + "/New Macro.macros");
    // The pauses depend on when the test tapped record; the steps do not.
    std::string steps;
    std::istringstream lines(macro);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Pause ", 0) != 0) {
            steps += line + "\n";
        }
    }
    EXPECT_EQ(steps, "Start Today\n \n \nPress 100 50\nMove 105 60\nRelease \n \n") << macro;
    EXPECT_EQ(DeviceTool({"send", "Dialog", "Tapweave", "WM_COMMAND", "1", "0"}).exitCode, 0);
    EXPECT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"Tapweave") == nullptr; }));
    EXPECT_TRUE(process.Running());
}

} // namespace
