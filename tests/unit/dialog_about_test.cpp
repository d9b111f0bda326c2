// The About dialog without a display: its labels and their fonts, the recorder's window hidden
// while the dialog is in front and shown again on OK, and ShowAboutDialog on its own.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "AboutDialog.h"
#include "FixedDisplay.h"
#include "RecordingLauncher.h"
#include "ScopedEnvironment.h"
#include "SharedNames.h"
#include "ShowAboutDialog.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "platform/gui.h"

namespace {

constexpr UINT WM_STEP = WM_USER + 1;

std::vector<std::string> received;

std::string Name(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
        return "WM_INITDIALOG";
    case WM_ACTIVATE:
        return "WM_ACTIVATE";
    case WM_COMMAND:
        return "WM_COMMAND";
    case WM_NOTIFY:
        return "WM_NOTIFY";
    default:
        return "WM_STEP";
    }
}

// An About dialog that logs "MESSAGE(wParam,lParam)->result" (a nonzero lParam as "p") and
// runs a test's hook before handling a message; it shows its labels to the test.
class InspectedAbout : public AboutDialog {
  public:
    InspectedAbout() : AboutDialog(L"About") {}

    using AboutDialog::GetHWND;
    HWND Label(int index) const {
        const HWND labels[] = {titleLabel, versionLabel, addressLabel};
        return labels[index];
    }

    std::function<void(HWND, UINT, WPARAM, LPARAM)> hook;

  protected:
    int OnMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_INITDIALOG && message != WM_ACTIVATE && message != WM_COMMAND &&
            message != WM_NOTIFY && message != WM_STEP) {
            return AboutDialog::OnMsg(hwnd, message, wParam, lParam);
        }
        const std::size_t entry = received.size();
        received.push_back(Name(message) + "(" + std::to_string(wParam) + "," +
                           (lParam == 0 ? "0" : "p") + ")");
        if (hook) {
            hook(hwnd, message, wParam, lParam);
        }
        const int result = AboutDialog::OnMsg(hwnd, message, wParam, lParam);
        received[entry] += "->" + std::to_string(result);
        return result;
    }
};

std::wstring TextOf(HWND hwnd) {
    wchar_t text[128] = {};
    GetWindowTextW(hwnd, text, 128);
    return text;
}

class About : public ::testing::Test {
  protected:
    void SetUp() override {
        received.clear();
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = recorderClassName.c_str();
        ASSERT_NE(RegisterClassW(&windowClass), 0);
        // A loop that never ends fails the test instead of hanging it.
        alarm(30);
    }
    void TearDown() override {
        alarm(0);
        for (HWND hwnd : windows) {
            DestroyWindow(hwnd);
        }
        UnregisterClassW(recorderClassName.c_str(), nullptr);
    }

    HWND Make(const std::wstring& title) {
        const HWND hwnd =
            CreateWindowExW(0, recorderClassName.c_str(), title.c_str(), WS_POPUP | WS_VISIBLE, 100,
                            150, 34, 18, nullptr, nullptr, nullptr, nullptr);
        windows.push_back(hwnd);
        return hwnd;
    }

    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    TempDevice device;
    FixedDisplay display{240, 320};
    RecordingLauncher launcher;
    std::vector<HWND> windows;
};

TEST_F(About, LabelsNameTheProductItsVersionAndAddressEachInAFontReleasedAtTheEnd) {
    InspectedAbout dialog;
    struct Expected {
        RECT rect;
        LONG fontHeight;
        LONG fontWeight;
    };
    const Expected expected[] = {
        {{10, 10, 230, 32}, 20, FW_BOLD},
        {{10, 40, 230, 100}, 18, FW_NORMAL},
        {{10, 100, 230, 120}, 16, FW_NORMAL},
    };
    std::vector<HGDIOBJ> fonts;
    dialog.hook = [&](HWND hwnd, UINT message, WPARAM, LPARAM) {
        if (message == WM_INITDIALOG) {
            PostMessageW(hwnd, WM_STEP, 0, 0);
            return;
        }
        if (message != WM_STEP) {
            return;
        }
        RECT dialogRect{};
        GetWindowRect(hwnd, &dialogRect);
        for (int i = 0; i < 3; ++i) {
            const HWND label = dialog.Label(i);
            ASSERT_TRUE(IsWindow(label)) << i;
            EXPECT_EQ(GetParent(label), hwnd) << i;
            EXPECT_TRUE(IsWindowVisible(label)) << i;
            EXPECT_EQ(GetWindowLongW(label, GWL_ID), 0) << i;
            RECT rect{};
            GetWindowRect(label, &rect);
            EXPECT_EQ(rect.left - dialogRect.left, expected[i].rect.left) << i;
            EXPECT_EQ(rect.top - dialogRect.top, expected[i].rect.top) << i;
            EXPECT_EQ(rect.right - dialogRect.left, expected[i].rect.right) << i;
            EXPECT_EQ(rect.bottom - dialogRect.top, expected[i].rect.bottom) << i;

            const auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0));
            LOGFONTW logFont{};
            ASSERT_EQ(GetObjectW(font, sizeof(logFont), &logFont), int{sizeof(logFont)}) << i;
            EXPECT_EQ(logFont.lfHeight, expected[i].fontHeight) << i;
            EXPECT_EQ(logFont.lfWeight, expected[i].fontWeight) << i;
            EXPECT_EQ(std::wstring(logFont.lfFaceName), L"Tahoma") << i;
            fonts.push_back(font);
        }
        EXPECT_EQ(TextOf(dialog.Label(0)), L"Tapweave");
        const std::wstring version = TextOf(dialog.Label(1));
        EXPECT_EQ(version.rfind(L"version: 1.2\n", 0), 0u);
        EXPECT_GT(version.size(), std::wstring(L"version: 1.2\n").size());
        EXPECT_FALSE(TextOf(dialog.Label(2)).empty());
        PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
    };
    EXPECT_EQ(Dialog::DoModal(dialog), 0);

    ASSERT_EQ(fonts.size(), 3u);
    EXPECT_NE(fonts[0], fonts[1]);
    EXPECT_NE(fonts[1], fonts[2]);
    for (HGDIOBJ font : fonts) {
        LOGFONTW logFont{};
        EXPECT_EQ(GetObjectW(font, sizeof(logFont), &logFont), 0);
    }
}

TEST_F(About, RecorderIsHiddenAtEveryActivationAndShownAgainOnlyByOk) {
    const HWND recorder = Make(recorderWindowTitle);
    const HWND otherProgram = Make(L"Other Program");
    // Same class, another title: not the recorder.
    const HWND lookalike = Make(L"Tapweave Recorder 2");
    InspectedAbout dialog;
    dialog.hook = [&](HWND hwnd, UINT message, WPARAM, LPARAM) {
        if (message == WM_INITDIALOG) {
            PostMessageW(hwnd, WM_STEP, 0, 0);
            return;
        }
        if (message != WM_STEP) {
            return;
        }
        EXPECT_FALSE(IsWindowVisible(recorder));
        EXPECT_TRUE(IsWindowVisible(lookalike));
        // Switching to another program leaves the recorder hidden.
        SetForegroundWindow(otherProgram);
        EXPECT_FALSE(IsWindowVisible(recorder));
        // Shown by someone else meanwhile; coming back to the front hides it again.
        ShowWindow(recorder, SW_SHOW);
        SetForegroundWindow(hwnd);
        EXPECT_FALSE(IsWindowVisible(recorder));

        NMHDR header{dialog.Label(0), 0, 0};
        SendMessageW(hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
        // A control with the OK button's identifier neither ends the dialog nor shows anything.
        PostMessageW(hwnd, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(dialog.Label(0)));
        PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
    };
    EXPECT_EQ(Dialog::DoModal(dialog), 0);

    const std::vector<std::string> expected{
        "WM_INITDIALOG(0,p)->1", "WM_ACTIVATE(1,0)->1", "WM_STEP(0,0)->0",    "WM_ACTIVATE(0,p)->0",
        "WM_ACTIVATE(1,p)->1",   "WM_NOTIFY(0,p)->0",   "WM_COMMAND(1,p)->0", "WM_COMMAND(1,0)->1",
    };
    EXPECT_EQ(received, expected);
    EXPECT_TRUE(IsWindowVisible(recorder));
}

TEST_F(About, ShowAboutDialogRunsAloneUntilOk) {
    device.Write("Windows/peghelp.exe", "viewer");
    std::thread user([this] {
        HWND about = nullptr;
        WaitUntil([&] { return (about = FindWindowW(L"Dialog", L"About")) != nullptr; },
                  std::chrono::seconds(10));
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(TextOf(about), L"About");
        SendMessageW(about, WM_HELP, 0, 0);
        PostMessageW(about, WM_COMMAND, IDOK, 0);
    });
    ShowAboutDialog(0);
    user.join();

    EXPECT_EQ(FindWindowW(L"Dialog", L"About"), nullptr);
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].commandLine, L"Tapweave Help.htm");
}

} // namespace
