// The dialog base class without a display: what a dialog receives and answers, nested dialogs,
// the list of live dialogs, a second dialog with an open title, and Help. Each test logs the
// messages its dialogs receive and compares the log with the expected list.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "Dialog.h"
#include "FixedDisplay.h"
#include "RecordingLauncher.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "platform/gui.h"

namespace {

constexpr UINT WM_STEP = WM_USER + 1;  // a test's next step, posted by the dialog to itself
constexpr UINT WM_PROBE = WM_USER + 2; // only logged

std::vector<std::string> received;

std::string Name(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
        return "WM_INITDIALOG";
    case WM_ACTIVATE:
        return "WM_ACTIVATE";
    case WM_COMMAND:
        return "WM_COMMAND";
    case WM_HELP:
        return "WM_HELP";
    case WM_SETTINGCHANGE:
        return "WM_SETTINGCHANGE";
    case WM_STEP:
        return "WM_STEP";
    case WM_PROBE:
        return "WM_PROBE";
    default:
        return std::to_string(message);
    }
}

bool Logged(UINT message) {
    return message == WM_INITDIALOG || message == WM_ACTIVATE || message == WM_COMMAND ||
           message == WM_HELP || message == WM_SETTINGCHANGE || message >= WM_USER;
}

// Logs "name:MESSAGE(wParam,lParam)->result"; a nonzero lParam other than a step number is
// logged as "p". The hook runs before the base class handles the message.
class LoggingDialog : public Dialog {
  public:
    using Hook = std::function<void(HWND, UINT, WPARAM, LPARAM)>;

    LoggingDialog(std::string name, const std::wstring& title)
        : Dialog(title), name(std::move(name)) {}

    using Dialog::GetHWND;
    using Dialog::GetTitle;

    Hook hook;

  protected:
    int OnMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (!Logged(message)) {
            return Dialog::OnMsg(hwnd, message, wParam, lParam);
        }
        const std::size_t entry = received.size();
        received.push_back(name + ":" + Name(message) + "(" + std::to_string(wParam) + "," +
                           (lParam == 0 || message >= WM_USER ? std::to_string(lParam) : "p") +
                           ")");
        if (hook) {
            hook(hwnd, message, wParam, lParam);
        }
        const int result = Dialog::OnMsg(hwnd, message, wParam, lParam);
        received[entry] += "->" + std::to_string(result);
        return result;
    }

  private:
    std::string name;
};

LPARAM Pointer(const void* object) {
    return reinterpret_cast<LPARAM>(object);
}

std::wstring TextOf(HWND hwnd) {
    wchar_t text[64] = {};
    GetWindowTextW(hwnd, text, 64);
    return text;
}

class Dialogs : public ::testing::Test {
  protected:
    void SetUp() override {
        received.clear();
        // A loop that never ends fails the test instead of hanging it.
        alarm(30);
    }
    void TearDown() override { alarm(0); }

    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    TempDevice device;
    FixedDisplay display{240, 320};
    RecordingLauncher launcher;
};

TEST_F(Dialogs, OkButtonEndsTheDialogButAControlWithTheSameIdentifierDoesNot) {
    LoggingDialog dialog("d", L"Dialog One");
    HWND window = nullptr;
    dialog.hook = [&](HWND hwnd, UINT message, WPARAM, LPARAM) {
        if (message == WM_INITDIALOG) {
            window = hwnd;
            const HWND control =
                CreateWindowExW(0, L"STATIC", L"ok", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, hwnd,
                                reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
            PostMessageW(hwnd, WM_STEP, 1, 0);
            PostMessageW(hwnd, WM_COMMAND, IDOK, Pointer(control));
            PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
        } else if (message == WM_STEP) {
            // Set up by the shell: full screen between caption and menu bar, titled, in front.
            RECT rect{};
            GetWindowRect(hwnd, &rect);
            EXPECT_EQ(rect.left, 0);
            EXPECT_EQ(rect.top, SH_CAPTION_HEIGHT);
            EXPECT_EQ(rect.right, 240);
            EXPECT_EQ(rect.bottom, 320 - SH_MENUBAR_HEIGHT);
            EXPECT_EQ(TextOf(hwnd), L"Dialog One");
            EXPECT_EQ(GetForegroundWindow(), hwnd);
            EXPECT_TRUE(IsWindowVisible(hwnd));
            EXPECT_EQ(FindWindowW(L"Dialog", L"Dialog One"), hwnd);
        }
    };
    EXPECT_EQ(Dialog::DoModal(dialog), 0);

    const std::vector<std::string> expected{
        "d:WM_INITDIALOG(0,p)->1", "d:WM_ACTIVATE(1,0)->0", "d:WM_STEP(1,0)->0",
        "d:WM_COMMAND(1,p)->0",    "d:WM_COMMAND(1,0)->1",
    };
    EXPECT_EQ(received, expected);
    EXPECT_EQ(dialog.GetHWND(), window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(dialog.GetTitle(), L"Dialog One");
}

TEST_F(Dialogs, EachHandlerAnswersForItsMessage) {
    device.Write("Windows/peghelp.exe", "viewer");
    LoggingDialog dialog("d", L"Handlers");
    dialog.hook = [&](HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_INITDIALOG) {
            PostMessageW(hwnd, WM_STEP, 1, 0);
        } else if (message == WM_STEP && wParam == 1) {
            SendMessageW(hwnd, WM_SETTINGCHANGE, SETTINGCHANGE_RESET, 0);
            SendMessageW(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
            SendMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
            // The OK button's identifier in the low word, a notification code above it.
            SendMessageW(hwnd, WM_COMMAND, (1u << 16) | IDOK, 0);
            SendMessageW(hwnd, WM_HELP, 0, 0);
            SendMessageW(hwnd, WM_PROBE, 0, 0);
        }
    };
    EXPECT_EQ(Dialog::DoModal(dialog), 0);

    const std::vector<std::string> expected{
        "d:WM_INITDIALOG(0,p)->1",        "d:WM_ACTIVATE(1,0)->0", "d:WM_STEP(1,0)->0",
        "d:WM_SETTINGCHANGE(12290,0)->1", "d:WM_ACTIVATE(0,0)->0", "d:WM_COMMAND(2,0)->0",
        "d:WM_COMMAND(65537,0)->1",       "d:WM_HELP(0,0)->1",     "d:WM_PROBE(0,0)->0",
    };
    EXPECT_EQ(received, expected);
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].hostProgram, device.Host("Windows/peghelp.exe"));
    EXPECT_EQ(launcher.starts[0].commandLine, L"Tapweave Help.htm");
}

TEST_F(Dialogs, HelpWithoutAViewerAnswersZero) {
    std::filesystem::remove(device.Host("Windows/peghelp.exe"));
    LoggingDialog dialog("d", L"No Help");
    dialog.hook = [&](HWND hwnd, UINT message, WPARAM, LPARAM) {
        if (message == WM_INITDIALOG) {
            PostMessageW(hwnd, WM_HELP, 0, 0);
            PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
        }
    };
    EXPECT_EQ(Dialog::DoModal(dialog), 0);
    EXPECT_EQ(received.at(2), "d:WM_HELP(0,0)->0");
    EXPECT_TRUE(launcher.starts.empty());
}

TEST_F(Dialogs, NestedDialogsEachGetTheMessagesOfTheirOwnWindow) {
    LoggingDialog outer("outer", L"Outer");
    LoggingDialog inner("inner", L"Inner");
    int innerResult = -2;
    outer.hook = [&](HWND hwnd, UINT message, WPARAM, LPARAM) {
        if (message == WM_INITDIALOG) {
            PostMessageW(hwnd, WM_STEP, 1, 0);
        } else if (message == WM_STEP) {
            innerResult = Dialog::DoModal(inner);
            // The outer dialog's loop goes on after the inner one has ended.
            PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
        }
    };
    inner.hook = [&](HWND hwnd, UINT message, WPARAM, LPARAM) {
        if (message == WM_INITDIALOG) {
            PostMessageW(hwnd, WM_STEP, 2, 0);
        } else if (message == WM_STEP) {
            EXPECT_NE(outer.GetHWND(), hwnd);
            SendMessageW(outer.GetHWND(), WM_PROBE, 1, 0);
            SendMessageW(hwnd, WM_PROBE, 2, 0);
            PostMessageW(outer.GetHWND(), WM_PROBE, 3, 0);
            PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
        }
    };
    EXPECT_EQ(Dialog::DoModal(outer), 0);
    EXPECT_EQ(innerResult, 0);

    std::vector<std::string> withoutActivation;
    for (const std::string& entry : received) {
        if (entry.find("WM_ACTIVATE") == std::string::npos) {
            withoutActivation.push_back(entry);
        }
    }
    const std::vector<std::string> expected{
        "outer:WM_INITDIALOG(0,p)->1",
        "outer:WM_STEP(1,0)->0",
        "inner:WM_INITDIALOG(0,p)->1",
        "inner:WM_STEP(2,0)->0",
        "outer:WM_PROBE(1,0)->0",
        "inner:WM_PROBE(2,0)->0",
        // Posted to the outer window while the inner loop runs: the nested loop delivers it.
        "outer:WM_PROBE(3,0)->0",
        "inner:WM_COMMAND(1,0)->1",
        "outer:WM_COMMAND(1,0)->1",
    };
    EXPECT_EQ(withoutActivation, expected);
    // Opening the inner dialog took the front from the outer one.
    EXPECT_NE(std::find(received.begin(), received.end(), "outer:WM_ACTIVATE(0,p)->0"),
              received.end());
}

// Two objects listed for one window: the one listed first gets its messages; destroying an
// object (or a copy of it, which names the same window) unlists the first entry of the window.
TEST_F(Dialogs, TheFirstListedDialogOfAWindowGetsItsMessagesUntilItIsDestroyed) {
    auto* first = new LoggingDialog("first", L"Listed");
    auto* second = new LoggingDialog("second", L"Listed");
    first->hook = [&](HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
        if (message == WM_INITDIALOG && lParam == Pointer(first)) {
            PostMessageW(hwnd, WM_STEP, 1, 0);
        } else if (message == WM_STEP) {
            // The window is initialised once more, now for the second object.
            SendMessageW(hwnd, WM_INITDIALOG, 0, Pointer(second));
            SendMessageW(hwnd, WM_PROBE, 1, 0);
            {
                const Dialog copy(*first);
                // The copy is not listed itself: the window's messages still go to the first.
                SendMessageW(hwnd, WM_PROBE, 2, 0);
            }
            SendMessageW(hwnd, WM_PROBE, 3, 0);
            delete second;
            SendMessageW(hwnd, WM_PROBE, 4, 0);
            EndDialog(hwnd, 7);
        }
    };
    const int result = Dialog::DoModal(*first);
    delete first;

    EXPECT_EQ(result, 7);
    std::vector<std::string> withoutActivation;
    for (const std::string& entry : received) {
        if (entry.find("WM_ACTIVATE") == std::string::npos) {
            withoutActivation.push_back(entry);
        }
    }
    const std::vector<std::string> expected{
        "first:WM_INITDIALOG(0,p)->1", "first:WM_STEP(1,0)->0",  "first:WM_INITDIALOG(0,p)->1",
        "first:WM_PROBE(1,0)->0",      "first:WM_PROBE(2,0)->0", "second:WM_PROBE(3,0)->0",
    };
    EXPECT_EQ(withoutActivation, expected);
}

TEST_F(Dialogs, ATitleThatIsOpenIsBroughtUpInsteadOfOpenedTwice) {
    LoggingDialog open("open", L"Twice");
    LoggingDialog again("again", L"Twice");
    LoggingDialog other("other", L"Once");
    int againResult = -2;
    open.hook = [&](HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_INITDIALOG) {
            PostMessageW(hwnd, WM_STEP, 1, 0);
        } else if (message == WM_STEP && wParam == 1) {
            // Another dialog in front, this one hidden behind it.
            EXPECT_EQ(Dialog::DoModal(other), 0);
        }
    };
    other.hook = [&](HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_INITDIALOG) {
            PostMessageW(hwnd, WM_STEP, 2, 0);
        } else if (message == WM_STEP && wParam == 2) {
            ShowWindow(open.GetHWND(), SW_HIDE);
            againResult = Dialog::DoModal(again);
            EXPECT_TRUE(IsWindowVisible(open.GetHWND()));
            EXPECT_EQ(GetForegroundWindow(), open.GetHWND());
            PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
            PostMessageW(open.GetHWND(), WM_COMMAND, IDOK, 0);
        }
    };
    EXPECT_EQ(Dialog::DoModal(open), 0);

    EXPECT_EQ(againResult, 1);
    EXPECT_EQ(again.GetHWND(), nullptr);
    for (const std::string& entry : received) {
        EXPECT_EQ(entry.rfind("again:", 0), std::string::npos) << entry;
    }
    // Brought to the front: the open dialog was activated again while the other one ran.
    const auto reactivated =
        std::find(received.begin(), received.end(), "open:WM_ACTIVATE(1,p)->0");
    EXPECT_NE(reactivated, received.end());
}

} // namespace
