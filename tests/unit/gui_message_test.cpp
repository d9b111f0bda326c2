// Message loops: posting and quitting, sending between threads, painting, and modal dialogs
// with their nested loops. Every test that runs a loop has a watchdog.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "FixedDisplay.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "platform/gui.h"
#include "platform/memory.h"

namespace {

constexpr UINT WM_ECHO = WM_USER + 1;       // answers wParam + lParam
constexpr UINT WM_WHO = WM_USER + 2;        // answers the handling thread's identifier
constexpr UINT WM_CALL_BACK = WM_USER + 3;  // sends WM_ECHO to the window in lParam
constexpr UINT WM_OPEN_INNER = WM_USER + 4; // the outer dialog opens the inner one

std::vector<std::string> received;

std::string Describe(const char* who, UINT message, WPARAM wParam) {
    std::string text = who;
    switch (message) {
    case WM_PAINT:
        return text + ":WM_PAINT";
    case WM_ERASEBKGND:
        return text + ":WM_ERASEBKGND";
    case WM_INITDIALOG:
        return text + ":WM_INITDIALOG";
    case WM_COMMAND:
        return text + ":WM_COMMAND(" + std::to_string(wParam) + ")";
    case WM_CLOSE:
        return text + ":WM_CLOSE";
    default:
        return text + ":" + std::to_string(message) + "(" + std::to_string(wParam) + ")";
    }
}

LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ECHO:
        return static_cast<LRESULT>(wParam) + lParam;
    case WM_WHO:
        return static_cast<LRESULT>(gettid());
    case WM_CALL_BACK:
        return SendMessageW(reinterpret_cast<HWND>(lParam), WM_ECHO, 40, 2);
    case WM_PAINT: {
        received.push_back(Describe("window", message, wParam));
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_CREATE:
    case WM_DESTROY:
    case WM_ERASEBKGND:
        break;
    default:
        received.push_back(Describe("window", message, wParam));
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// An in-memory template as the system builds it: the header, no menu, the dialog class and the
// title in 16-bit words, in a zero-filled block.
struct DialogTemplate {
    explicit DialogTemplate(DWORD style, const char* title = "") {
        block = static_cast<BYTE*>(LocalAlloc(LMEM_ZEROINIT, 1024));
        auto* header = reinterpret_cast<DLGTEMPLATE*>(block);
        header->style = style;
        WORD* words = reinterpret_cast<WORD*>(block + sizeof(DLGTEMPLATE)) + 2;
        for (const char* c = title; *c; ++c) {
            *words++ = static_cast<WORD>(*c);
        }
    }
    ~DialogTemplate() { LocalFree(block); }
    DialogTemplate(const DialogTemplate&) = delete;
    DialogTemplate& operator=(const DialogTemplate&) = delete;

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(block); }
    DLGTEMPLATE* Header() { return reinterpret_cast<DLGTEMPLATE*>(block); }
    WORD* Words() { return reinterpret_cast<WORD*>(block + sizeof(DLGTEMPLATE)); }

    BYTE* block;
};

// The dialogs' procedure: the name comes with WM_INITDIALOG; "end N" in a command ends the
// dialog with N.
struct DialogState {
    const char* name;
    // A command the dialog posts to itself when it starts; 0 for none.
    WPARAM commandAtInit = 0;
    std::atomic<HWND> hwnd = nullptr;
    INT_PTR innerResult = -2;
    bool visibleAtInit = true;
};

INT_PTR DialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    static std::vector<std::pair<HWND, DialogState*>> states;
    if (message == WM_INITDIALOG) {
        auto* state = reinterpret_cast<DialogState*>(lParam);
        state->hwnd = hwnd;
        state->visibleAtInit = IsWindowVisible(hwnd);
        states.emplace_back(hwnd, state);
    }
    DialogState* state = nullptr;
    for (const auto& [window, candidate] : states) {
        if (window == hwnd) {
            state = candidate;
        }
    }
    if (!state) {
        return FALSE;
    }
    if (message == WM_INITDIALOG || message == WM_COMMAND || message == WM_CLOSE ||
        message >= WM_USER) {
        received.push_back(Describe(state->name, message, wParam));
    }
    switch (message) {
    case WM_INITDIALOG:
        if (state->commandAtInit) {
            PostMessageW(hwnd, WM_COMMAND, state->commandAtInit, 0);
        }
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) >= 100) {
            EndDialog(hwnd, static_cast<INT_PTR>(LOWORD(wParam)) - 100);
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY:
        SetWindowLongW(hwnd, DWL_MSGRESULT, 1234);
        return TRUE;
    case WM_OPEN_INNER: {
        DialogTemplate inner(WS_VISIBLE, "inner");
        DialogState innerState{"inner", 102};
        state->innerResult = DialogBoxIndirectParamW(nullptr, inner.Get(), nullptr, DialogProcedure,
                                                     reinterpret_cast<LPARAM>(&innerState));
        return TRUE;
    }
    default:
        return FALSE;
    }
}

class GuiMessages : public ::testing::Test {
  protected:
    void SetUp() override {
        received.clear();
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.lpszClassName = L"Message Class";
        ASSERT_NE(RegisterClassW(&windowClass), 0);
        // A loop that never ends fails the test instead of hanging it.
        alarm(30);
    }
    void TearDown() override {
        alarm(0);
        EnumWindows(
            [](HWND hwnd, LPARAM) {
                DestroyWindow(hwnd);
                return TRUE;
            },
            0);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        UnregisterClassW(L"Message Class", nullptr);
    }

    static HWND Make(DWORD style = WS_VISIBLE) {
        return CreateWindowExW(0, L"Message Class", L"messages", style, 0, 0, 50, 50, nullptr,
                               nullptr, nullptr, nullptr);
    }

    // Runs the thread's loop until WM_QUIT; its wParam.
    static WPARAM Loop() {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return msg.wParam;
    }

    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    TempDevice device;
    FixedDisplay display{240, 320};
};

TEST_F(GuiMessages, PostedMessagesComeInOrderAndQuitComesAfterThem) {
    const HWND hwnd = Make(0);
    PostMessageW(hwnd, WM_USER + 10, 1, 0);
    PostQuitMessage(7);
    PostMessageW(hwnd, WM_USER + 10, 2, 0);
    // A message for the thread itself has no window.
    PostMessageW(nullptr, WM_USER + 11, 3, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 11, WM_USER + 11, PM_NOREMOVE));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(Loop(), 7u);
    EXPECT_EQ(received, (std::vector<std::string>{"window:1034(1)", "window:1034(2)"}));
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetMessageW(nullptr, nullptr, 0, 0), -1);
    EXPECT_EQ(GetMessageW(&msg, reinterpret_cast<HWND>(0xBAD0BAD), 0, 0), -1);
}

TEST_F(GuiMessages, StylusMovesNotYetTakenAreReplacedByTheNewest) {
    const HWND hwnd = Make(0);
    const HWND other = Make(0);
    PostMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, 1);
    PostMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, 2);
    PostMessageW(other, WM_MOUSEMOVE, MK_LBUTTON, 3);
    PostMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, 4);
    PostMessageW(hwnd, WM_USER, 0, 0);
    PostMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, 5);
    std::vector<LPARAM> moves;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_MOUSEMOVE) {
            moves.push_back(msg.lParam);
        }
    }
    EXPECT_EQ(moves, (std::vector<LPARAM>{2, 3, 4, 5}));
}

TEST_F(GuiMessages, PeekFiltersByWindowAndRangeAndLeavesWhatItDoesNotRemove) {
    const HWND first = Make(0);
    const HWND second = Make(0);
    PostMessageW(first, WM_USER + 20, 1, 0);
    PostMessageW(second, WM_USER + 21, 2, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, second, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 21, WM_USER + 30, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, second);
    EXPECT_FALSE(PeekMessageW(&msg, second, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, first);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(GuiMessages, SendMessageToAnotherThreadWaitsForItsAnswer) {
    std::promise<HWND> made;
    std::thread worker([&] {
        const HWND hwnd = Make(0);
        made.set_value(hwnd);
        Loop();
        DestroyWindow(hwnd);
    });
    const HWND remote = made.get_future().get();
    EXPECT_EQ(SendMessageW(remote, WM_ECHO, 40, 2), 42);
    // The window's procedure runs on its own thread.
    EXPECT_NE(SendMessageW(remote, WM_WHO, 0, 0), static_cast<LRESULT>(gettid()));
    // While this thread waits, the other thread's procedure sends back to this thread's window,
    // which is answered from inside the wait.
    const HWND local = Make(0);
    EXPECT_EQ(SendMessageW(remote, WM_CALL_BACK, 0, reinterpret_cast<LPARAM>(local)), 42);
    // A posted WM_QUIT ends the worker's loop, and its window goes with the thread.
    EXPECT_TRUE(PostMessageW(remote, WM_QUIT, 0, 0));
    worker.join();
    EXPECT_FALSE(IsWindow(remote));
    EXPECT_EQ(SendMessageW(remote, WM_ECHO, 1, 1), 0);
    EXPECT_FALSE(PostMessageW(remote, WM_ECHO, 1, 1));
}

TEST_F(GuiMessages, PaintComesAfterPostedMessagesForVisibleWindowsOnly) {
    const HWND hidden = Make(0);
    MSG msg;
    InvalidateRect(hidden, nullptr, TRUE);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));

    const HWND shown = Make(WS_VISIBLE);
    PostMessageW(shown, WM_USER + 30, 0, 0);
    PostQuitMessage(0);
    Loop();
    // Shown windows are painted once; the quit request came before the paint here.
    EXPECT_EQ(received, (std::vector<std::string>{"window:1054(0)"}));
    received.clear();
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    DispatchMessageW(&msg);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));

    // UpdateWindow paints at once what is invalid, and only then.
    InvalidateRect(shown, nullptr, FALSE);
    UpdateWindow(shown);
    UpdateWindow(shown);
    EXPECT_EQ(received, (std::vector<std::string>{"window:WM_PAINT", "window:WM_PAINT"}));
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(GuiMessages, ModalDialogRunsUntilEndDialogAndReturnsItsResult) {
    DialogTemplate dialog(WS_VISIBLE, "About");
    DialogState state{"about"};
    // The "ok" button of the caption, and a command that ends the dialog with 42.
    const HWND other = Make(0);
    PostMessageW(other, WM_USER + 40, 0, 0);
    std::thread helper([&] {
        // Sent from another thread while the dialog's loop waits.
        while (!state.hwnd) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        PostMessageW(state.hwnd, WM_COMMAND, IDOK, 0);
        PostMessageW(state.hwnd, WM_CLOSE, 0, 0);
        PostMessageW(state.hwnd, WM_COMMAND, 142, 0);
    });
    const INT_PTR result = DialogBoxIndirectParamW(nullptr, dialog.Get(), nullptr, DialogProcedure,
                                                   reinterpret_cast<LPARAM>(&state));
    helper.join();
    EXPECT_EQ(result, 42);
    // Shown after WM_INITDIALOG; the thread's other windows are served meanwhile; WM_CLOSE
    // without a handler leaves a dialog open.
    EXPECT_FALSE(state.visibleAtInit);
    EXPECT_EQ(received, (std::vector<std::string>{"about:WM_INITDIALOG", "window:1064(0)",
                                                  "about:WM_COMMAND(1)", "about:WM_CLOSE",
                                                  "about:WM_COMMAND(142)"}));
    EXPECT_FALSE(IsWindow(state.hwnd));
}

TEST_F(GuiMessages, DialogWindowHasTheTemplateTitleAndClass) {
    DialogTemplate dialog(WS_VISIBLE, "Tapweave");
    DialogState state{"library"};
    std::thread helper([&] {
        while (!state.hwnd) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_EQ(FindWindowW(L"Dialog", L"Tapweave"), state.hwnd);
        EXPECT_TRUE(IsWindowVisible(state.hwnd));
        EndDialog(state.hwnd, 9);
    });
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, dialog.Get(), nullptr, DialogProcedure,
                                      reinterpret_cast<LPARAM>(&state)),
              9);
    helper.join();
    EXPECT_EQ(FindWindowW(L"Dialog", L"Tapweave"), nullptr);
}

TEST_F(GuiMessages, NestedDialogsEachGetTheirOwnMessagesAndResults) {
    DialogTemplate outer(WS_VISIBLE, "outer");
    DialogState state{"outer"};
    // Queued before the inner dialog opens: the outer dialog's end waits until the inner one
    // has returned.
    std::thread helper([&] {
        while (!state.hwnd) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        PostMessageW(state.hwnd, WM_OPEN_INNER, 0, 0);
        PostMessageW(state.hwnd, WM_COMMAND, 101, 0);
    });
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, outer.Get(), nullptr, DialogProcedure,
                                      reinterpret_cast<LPARAM>(&state)),
              1);
    helper.join();
    EXPECT_EQ(state.innerResult, 2);
    EXPECT_EQ(received, (std::vector<std::string>{"outer:WM_INITDIALOG", "outer:1028(0)",
                                                  "inner:WM_INITDIALOG", "outer:WM_COMMAND(101)",
                                                  "inner:WM_COMMAND(102)"}));
}

TEST_F(GuiMessages, HandledNotificationsAnswerTheMessageResult) {
    DialogTemplate dialog(0);
    DialogState state{"dialog"};
    std::thread helper([&] {
        while (!state.hwnd) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        NMHDR header{state.hwnd, 1000, static_cast<UINT>(-2)};
        // Pointers in parameters are fine within a process.
        EXPECT_EQ(SendMessageW(state.hwnd, WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&header)),
                  1234);
        // Unhandled messages get the default handling.
        EXPECT_TRUE(SetWindowTextW(state.hwnd, L"renamed"));
        wchar_t title[16] = {};
        GetWindowTextW(state.hwnd, title, 16);
        EXPECT_EQ(std::wstring(title), L"renamed");
        EXPECT_FALSE(IsWindowVisible(state.hwnd));
        EndDialog(state.hwnd, 0);
    });
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, dialog.Get(), nullptr, DialogProcedure,
                                      reinterpret_cast<LPARAM>(&state)),
              0);
    helper.join();
}

TEST_F(GuiMessages, QuitEndsTheModalLoopAndReachesTheOuterLoop) {
    DialogTemplate dialog(WS_VISIBLE);
    DialogState state{"dialog"};
    std::thread helper([&] {
        while (!state.hwnd) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        PostMessageW(state.hwnd, WM_QUIT, 5, 0);
    });
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, dialog.Get(), nullptr, DialogProcedure,
                                      reinterpret_cast<LPARAM>(&state)),
              0);
    helper.join();
    EXPECT_FALSE(IsWindow(state.hwnd));
    EXPECT_EQ(Loop(), 5u);
}

TEST_F(GuiMessages, UnusableTemplatesAreRefused) {
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, nullptr, nullptr, DialogProcedure, 0), -1);
    DialogTemplate withControls(WS_VISIBLE);
    withControls.Header()->cdit = 1;
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, withControls.Get(), nullptr, DialogProcedure, 0),
              -1);
    DialogTemplate namedClass(WS_VISIBLE);
    namedClass.Words()[1] = L'X';
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, namedClass.Get(), nullptr, DialogProcedure, 0), -1);
    DialogTemplate badOwner(WS_VISIBLE);
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, badOwner.Get(), reinterpret_cast<HWND>(0x12345),
                                      DialogProcedure, 0),
              -1);
    EXPECT_TRUE(received.empty());
}

} // namespace
