// The recorder as a process of its own on a device without a display: one instance at a time,
// its stored place, closing with the capture calibrated and not, and a recording made from a
// touch script, with the buttons tapped through messages as the window would receive them.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "MacroLibrary.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "platform/gui.h"
#include "platform/registry.h"
#include "platform/windows.h"

extern char** environ;

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
    void TearDown() override {
        alarm(0);
        for (const pid_t pid : started) {
            if (waitpid(pid, nullptr, WNOHANG) == 0) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
        }
    }

    pid_t Start() {
        std::vector<char*> argv{const_cast<char*>(recorder.c_str()), nullptr};
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, recorder.c_str(), nullptr, nullptr, argv.data(), environ), 0);
        started.push_back(pid);
        return pid;
    }

    static int ExitCode(pid_t pid, std::chrono::seconds timeout = 20s) {
        int status = 0;
        if (!WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeout)) {
            return -1;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static bool Running(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) == 0; }

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
    std::vector<pid_t> started;
};

TEST_F(RecorderProcess, ASecondStartShowsTheFirstWindowAndEndsWithZero) {
    const pid_t first = Start();
    const HWND hwnd = Window();
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_HIDE);
    ASSERT_FALSE(IsWindowVisible(hwnd));
    const pid_t second = Start();
    EXPECT_EQ(ExitCode(second), 0);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_TRUE(Running(first));
    EXPECT_EQ(FindWindowW(className, title), hwnd);
}

TEST_F(RecorderProcess, TheStoredPlaceIsUsedAsItIsAndTheEndSavesTheNewOne) {
    WriteDword(L"SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window", L"x", 10);
    WriteDword(L"SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window", L"y", 300);
    const pid_t pid = Start();
    const HWND hwnd = Window();
    ASSERT_NE(hwnd, nullptr);
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(hwnd, &rect));
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 300);
    EXPECT_EQ(rect.right - rect.left, 34);
    EXPECT_EQ(rect.bottom - rect.top, 18);
    // Dragged 5 pixels left, then asked to end: not calibrated, so it ends.
    SendMessageW(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(10, 5));
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    PostMessageW(hwnd, WM_CLOSE, 1, 0);
    EXPECT_EQ(ExitCode(pid), 0);
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
    const pid_t pid = Start();
    const HWND hwnd = Window();
    ASSERT_NE(hwnd, nullptr);
    PostMessageW(hwnd, WM_CLOSE, 1, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(hwnd); }));
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(Running(pid));
    EXPECT_EQ(StoredPlace(), Place(103, 151));
    EXPECT_EQ(ExitCode(Start()), 0);
    EXPECT_TRUE(IsWindowVisible(hwnd));
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
    const pid_t pid = Start();
    const HWND hwnd = Window();
    ASSERT_NE(hwnd, nullptr);
    Tap(hwnd, 8, 8);
    ASSERT_TRUE(WaitUntil(
        [&] { return std::system(("grep -q 0x8004 " + journal + " 2>/dev/null").c_str()) == 0; }));
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
    EXPECT_EQ(std::system("timeout 20 " TAPWEAVE_BIN_DIR
                          "/tapweave-device send Dialog Tapweave WM_COMMAND 1 0 >/dev/null 2>&1"),
              0);
    EXPECT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"Tapweave") == nullptr; }));
    EXPECT_TRUE(Running(pid));
}

} // namespace
