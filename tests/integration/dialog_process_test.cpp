// Dialogs between programs, headless, on a temporary device: an About dialog that another
// program has open is brought up instead of opened twice, the About dialog hides the recorder
// of another program while it is in front, and a program with a modal dialog runs until a
// message closes it. The other programs are this test program run as a helper (DialogHelper).
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "AboutDialog.h"
#include "ChildProcess.h"
#include "DeviceTool.h"
#include "ScopedEnvironment.h"
#include "SharedNames.h"
#include "ShowAboutDialog.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "platform/gui.h"

namespace {

using namespace std::chrono_literals;

HWND WaitForWindow(const std::wstring& className, const std::wstring& title) {
    HWND hwnd = nullptr;
    WaitUntil([&] { return (hwnd = FindWindowW(className.c_str(), title.c_str())) != nullptr; });
    return hwnd;
}

// This test program started again to run one helper below, on the same device; killed when
// the object goes, if it has not ended before.
ChildProcess Helper(const std::string& name) {
    return ChildProcess({"/proc/self/exe", "--gtest_filter=DialogHelper.DISABLED_" + name,
                         "--gtest_also_run_disabled_tests"},
                        {.output = ChildProcess::Stream::Discard});
}

int Tool(const std::vector<std::string>& arguments) {
    return DeviceTool(arguments).exitCode;
}

LRESULT ProgramProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class DialogProcesses : public ::testing::Test {
  protected:
    // A helper or a loop that never ends fails the test instead of hanging it.
    void SetUp() override { alarm(60); }
    void TearDown() override { alarm(0); }

    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    ScopedEnvironment noX11{"DISPLAY", nullptr};
    ScopedEnvironment noWayland{"WAYLAND_DISPLAY", nullptr};
    TempDevice device;
};

} // namespace

// Run only by the tests below, as another program on their device.
TEST(DialogHelper, DISABLED_About) {
    alarm(30);
    ShowAboutDialog(0);
}

// The recorder's window and a window of some other program, until the recorder is closed.
TEST(DialogHelper, DISABLED_Recorder) {
    alarm(30);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ProgramProcedure;
    windowClass.lpszClassName = recorderClassName.c_str();
    ASSERT_NE(RegisterClassW(&windowClass), 0);
    ASSERT_NE(CreateWindowExW(0, recorderClassName.c_str(), recorderWindowTitle.c_str(),
                              WS_POPUP | WS_VISIBLE, 103, 151, 34, 18, nullptr, nullptr, nullptr,
                              nullptr),
              nullptr);
    ASSERT_NE(CreateWindowExW(0, recorderClassName.c_str(), L"Other Program", WS_VISIBLE, 0, 0, 240,
                              320, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
    }
}

TEST_F(DialogProcesses, AboutOpenInAnotherProgramIsBroughtUpAndRunsUntilAMessageClosesIt) {
    ChildProcess other = Helper("About");
    const HWND about = WaitForWindow(L"Dialog", L"About");
    ASSERT_NE(about, nullptr);
    DWORD owner = 0;
    GetWindowThreadProcessId(about, &owner);
    EXPECT_EQ(owner, static_cast<DWORD>(other.Pid()));
    // The dialog is in the directory before it is shown; hidden before that, its own showing
    // would undo the hiding.
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(about) != FALSE; }));
    ShowWindow(about, SW_HIDE);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(about); }));

    // Returns at once (the watchdog would end a dialog of its own) and brings the other up.
    ShowAboutDialog(0);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(about) != FALSE; }));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == about; }));
    EXPECT_EQ(FindWindowW(L"Dialog", L"About"), about);
    AboutDialog again(L"About");
    EXPECT_EQ(Dialog::DoModal(again), 1);

    // Nothing ends the other program's dialog but a message: a control's command does not
    // (the dialog still answers afterwards).
    EXPECT_EQ(Tool({"send", "Dialog", "About", "WM_COMMAND", "1", "77"}), 0);
    EXPECT_EQ(Tool({"send", "Dialog", "About", "WM_NULL", "0", "0"}), 0);
    EXPECT_TRUE(other.Running());
    EXPECT_EQ(Tool({"post", "Dialog", "About", "WM_COMMAND", "1", "0"}), 0);
    EXPECT_EQ(other.ExitCode(10s), 0);
    EXPECT_TRUE(WaitUntil([] { return FindWindowW(L"Dialog", L"About") == nullptr; }));
}

TEST_F(DialogProcesses, AboutHidesTheRecorderOfAnotherProgramUntilOk) {
    ChildProcess recorderProgram = Helper("Recorder");
    const HWND recorder = WaitForWindow(recorderClassName, recorderWindowTitle);
    const HWND otherProgram = WaitForWindow(recorderClassName, L"Other Program");
    ASSERT_NE(recorder, nullptr);
    ASSERT_NE(otherProgram, nullptr);
    ASSERT_TRUE(IsWindowVisible(recorder));

    std::thread user([&] {
        const HWND about = WaitForWindow(L"Dialog", L"About");
        ASSERT_NE(about, nullptr);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(recorder); }));
        // Another program comes to the front: the recorder stays hidden. The message sent
        // afterwards returns once the dialog has handled its deactivation.
        SetForegroundWindow(otherProgram);
        SendMessageW(about, WM_NULL, 0, 0);
        EXPECT_FALSE(IsWindowVisible(recorder));
        // Shown meanwhile by someone else; the dialog back in front hides it again.
        ShowWindow(recorder, SW_SHOW);
        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(recorder) != FALSE; }));
        SetForegroundWindow(about);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(recorder); }));
        PostMessageW(about, WM_COMMAND, IDOK, 0);
    });
    ShowAboutDialog(0);
    user.join();

    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(recorder) != FALSE; }));
    PostMessageW(recorder, WM_CLOSE, 0, 0);
    EXPECT_EQ(recorderProgram.ExitCode(10s), 0);
}
