// Windows of one process: classes, creation and destruction, stale handles, place and text,
// activation and the shell's full-screen dialogs, with the headless backend.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "FixedDisplay.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "gui/GuiBackend.h"
#include "platform/gui.h"
#include "platform/memory.h"

namespace {

// What the logging windows receive, in order: "name:MESSAGE" or "name:MESSAGE(wParam,lParam)".
std::vector<std::string> received;
// Filled in by WM_CREATE.
CREATESTRUCTW created{};
std::wstring createdTitle;
LONG styleDuringCreate = 0;
LRESULT createResult = 0;

// The stored title, without sending WM_GETTEXT to the window being logged.
std::string Name(HWND hwnd) {
    if (!hwnd) {
        return "none";
    }
    const auto snapshot = platform::GuiBackend::Describe(hwnd);
    return snapshot ? std::string(snapshot->title.begin(), snapshot->title.end()) : "gone";
}

LRESULT LoggingProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const std::string name = Name(hwnd);
    switch (message) {
    case WM_CREATE: {
        created = *reinterpret_cast<const CREATESTRUCTW*>(lParam);
        createdTitle = created.lpszName ? created.lpszName : L"";
        styleDuringCreate = GetWindowLongW(hwnd, GWL_STYLE);
        received.push_back(name + ":WM_CREATE");
        return createResult;
    }
    case WM_DESTROY: {
        // Children still exist while their parent is told.
        std::string children;
        for (const HWND child : platform::GuiBackend::Children(hwnd)) {
            children += IsWindow(child) ? "+" : "-";
        }
        received.push_back(name + ":WM_DESTROY" + children);
        return 0;
    }
    case WM_ACTIVATE:
        received.push_back(name + ":WM_ACTIVATE(" + std::to_string(wParam) + "," +
                           Name(reinterpret_cast<HWND>(lParam)) + ")");
        return 0;
    case WM_SETTEXT:
        received.push_back(name + ":WM_SETTEXT");
        break;
    case WM_SETFOCUS:
        received.push_back(name + ":WM_SETFOCUS");
        return 0;
    case WM_KILLFOCUS:
        received.push_back(name + ":WM_KILLFOCUS");
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

const wchar_t* const logClass = L"Logging Class";

class GuiWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        received.clear();
        createResult = 0;
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = LoggingProcedure;
        windowClass.lpszClassName = logClass;
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
        ASSERT_NE(RegisterClassW(&windowClass), 0);
    }
    void TearDown() override {
        // Windows a failing test left behind, and anything left in the thread's queue.
        EnumWindows(
            [](HWND hwnd, LPARAM) {
                DestroyWindow(hwnd);
                return TRUE;
            },
            0);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        UnregisterClassW(logClass, nullptr);
    }

    HWND Make(const wchar_t* title, DWORD style = WS_VISIBLE, HWND parent = nullptr, int id = 0) {
        return CreateWindowExW(0, logClass, title, style, 10, 20, 100, 50, parent,
                               reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr,
                               nullptr);
    }

    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    TempDevice device;
    FixedDisplay display{240, 320};
};

TEST_F(GuiWindow, ClassesAreRegisteredOnceAndCreationSendsWmCreate) {
    WNDCLASSW again{};
    again.lpfnWndProc = LoggingProcedure;
    again.lpszClassName = L"LOGGING CLASS";
    EXPECT_EQ(RegisterClassW(&again), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
    again.lpfnWndProc = nullptr;
    again.lpszClassName = L"No Procedure";
    EXPECT_EQ(RegisterClassW(&again), 0);

    int param = 0;
    const HWND hwnd = CreateWindowExW(WS_EX_TOPMOST, logClass, L"main", WS_POPUP | WS_VISIBLE, 3, 4,
                                      30, 40, nullptr, nullptr, nullptr, &param);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_LT(reinterpret_cast<std::uintptr_t>(hwnd), std::uintptr_t{1} << 32);
    EXPECT_EQ(received, std::vector<std::string>{"main:WM_CREATE"});
    EXPECT_EQ(created.lpCreateParams, &param);
    EXPECT_EQ(createdTitle, L"main");
    EXPECT_EQ(std::wstring(created.lpszClass), logClass);
    EXPECT_EQ(created.x, 3);
    EXPECT_EQ(created.y, 4);
    EXPECT_EQ(created.cx, 30);
    EXPECT_EQ(created.cy, 40);
    EXPECT_EQ(created.dwExStyle, WS_EX_TOPMOST);
    EXPECT_EQ(static_cast<DWORD>(created.style), WS_POPUP | WS_VISIBLE);
    // WS_VISIBLE comes once WM_CREATE has set the window up.
    EXPECT_EQ(static_cast<DWORD>(styleDuringCreate), WS_POPUP);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(FindWindowW(L"Logging Class", L"main"), hwnd);

    // A class with windows stays registered.
    EXPECT_FALSE(UnregisterClassW(logClass, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
    EXPECT_FALSE(UnregisterClassW(L"Dialog", nullptr));
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(FindWindowW(logClass, L"main"), nullptr);
}

TEST_F(GuiWindow, CreationFailsCleanly) {
    EXPECT_EQ(CreateWindowExW(0, L"No Such Class", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                              nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
    EXPECT_EQ(Make(L"orphan", WS_CHILD), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TLW_WITH_WSCHILD));
    EXPECT_EQ(Make(L"child", WS_CHILD, reinterpret_cast<HWND>(0xBADF00D)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));

    // -1 from WM_CREATE: the window is destroyed again and never listed.
    createResult = -1;
    EXPECT_EQ(Make(L"refused"), nullptr);
    EXPECT_EQ(received, (std::vector<std::string>{"refused:WM_CREATE", "refused:WM_DESTROY"}));
    EXPECT_EQ(FindWindowW(logClass, nullptr), nullptr);
}

TEST_F(GuiWindow, DestroyWindowTellsParentsFirstAndRemovesChildrenFirst) {
    const HWND top = Make(L"top");
    const HWND first = Make(L"first", WS_CHILD | WS_VISIBLE, top, 1);
    const HWND inner = Make(L"inner", WS_CHILD, first, 3);
    const HWND second = Make(L"second", WS_CHILD, top, 2);
    // A window owned by top goes before it.
    const HWND owned = Make(L"owned", WS_POPUP, top);
    ASSERT_TRUE(top && first && inner && second && owned);
    EXPECT_EQ(GetParent(first), top);
    EXPECT_EQ(GetParent(owned), top);
    EXPECT_EQ(GetParent(top), nullptr);
    EXPECT_EQ(GetDlgItem(top, 2), second);
    EXPECT_EQ(GetDlgItem(top, 3), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CONTROL_ID_NOT_FOUND));

    // Only the window's own thread destroys it.
    std::thread([&] {
        EXPECT_FALSE(DestroyWindow(top));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }).join();

    received.clear();
    EXPECT_TRUE(DestroyWindow(top));
    EXPECT_EQ(received,
              (std::vector<std::string>{"owned:WM_DESTROY", "top:WM_DESTROY++", "first:WM_DESTROY+",
                                        "inner:WM_DESTROY", "second:WM_DESTROY"}));
    for (const HWND gone : {top, first, inner, second, owned}) {
        EXPECT_FALSE(IsWindow(gone));
    }
}

TEST_F(GuiWindow, StaleAndGarbageHandlesFailCleanly) {
    const HWND stale = Make(L"stale");
    ASSERT_TRUE(DestroyWindow(stale));
    const HWND fresh = Make(L"fresh");
    EXPECT_NE(fresh, stale);

    const HWND bad[] = {stale, reinterpret_cast<HWND>(1),
                        reinterpret_cast<HWND>(std::uintptr_t{0xDEADBEEF}),
                        reinterpret_cast<HWND>(std::uintptr_t{0x123456789ABC}),
                        reinterpret_cast<HWND>(~std::uintptr_t{0})};
    for (const HWND hwnd : bad) {
        SCOPED_TRACE(reinterpret_cast<std::uintptr_t>(hwnd));
        wchar_t text[8] = L"x";
        RECT rect{};
        PAINTSTRUCT paint{};
        MSG msg{};
        msg.hwnd = hwnd;
        msg.message = WM_USER;
        SHINITDLGINFO info{SHIDIM_FLAGS, hwnd, SHIDIF_SIZEDLG};
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_FALSE(IsWindowVisible(hwnd));
        EXPECT_EQ(GetWindowTextW(hwnd, text, 8), 0);
        EXPECT_EQ(text[0], L'\0');
        EXPECT_FALSE(SetWindowTextW(hwnd, L"new"));
        EXPECT_FALSE(GetWindowRect(hwnd, &rect));
        EXPECT_FALSE(GetClientRect(hwnd, &rect));
        EXPECT_FALSE(MoveWindow(hwnd, 0, 0, 1, 1, TRUE));
        EXPECT_FALSE(SetWindowPos(hwnd, HWND_TOP, 0, 0, 1, 1, 0));
        EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW));
        EXPECT_FALSE(SetForegroundWindow(hwnd));
        EXPECT_FALSE(PostMessageW(hwnd, WM_USER, 0, 0));
        EXPECT_EQ(SendMessageW(hwnd, WM_USER, 0, 0), 0);
        EXPECT_EQ(DispatchMessageW(&msg), 0);
        EXPECT_FALSE(DestroyWindow(hwnd));
        EXPECT_FALSE(InvalidateRect(hwnd, nullptr, TRUE));
        EXPECT_FALSE(UpdateWindow(hwnd));
        EXPECT_EQ(BeginPaint(hwnd, &paint), nullptr);
        EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE), 0);
        EXPECT_EQ(SetWindowLongW(hwnd, GWL_USERDATA, 5), 0);
        EXPECT_EQ(GetDlgItem(hwnd, 1), nullptr);
        EXPECT_EQ(GetParent(hwnd), nullptr);
        EXPECT_EQ(SetFocus(hwnd), nullptr);
        EXPECT_FALSE(EndDialog(hwnd, 1));
        EXPECT_FALSE(SHInitDialog(&info));
        EXPECT_EQ(GetClassNameW(hwnd, text, 8), 0);
        DWORD processId = 7;
        GetWindowThreadProcessId(hwnd, &processId);
        EXPECT_EQ(processId, 0u);
    }
    EXPECT_TRUE(IsWindow(fresh));
}

TEST_F(GuiWindow, TextPlaceAndWindowLongs) {
    const HWND framed = Make(L"framed", WS_POPUP | WS_BORDER | WS_VISIBLE);
    received.clear();
    EXPECT_TRUE(SetWindowTextW(framed, L"renamed"));
    EXPECT_EQ(received, std::vector<std::string>{"framed:WM_SETTEXT"});
    wchar_t text[5];
    EXPECT_EQ(GetWindowTextW(framed, text, 5), 4);
    EXPECT_EQ(std::wstring(text), L"rena");
    EXPECT_EQ(FindWindowW(nullptr, L"renamed"), framed);
    EXPECT_EQ(FindWindowW(nullptr, L"framed"), nullptr);

    RECT rect{};
    ASSERT_TRUE(MoveWindow(framed, 103, 151, 34, 18, FALSE));
    GetWindowRect(framed, &rect);
    EXPECT_EQ(rect.left, 103);
    EXPECT_EQ(rect.top, 151);
    EXPECT_EQ(rect.right, 137);
    EXPECT_EQ(rect.bottom, 169);
    // The border takes one pixel on every side.
    GetClientRect(framed, &rect);
    EXPECT_EQ(rect.right, 32);
    EXPECT_EQ(rect.bottom, 16);

    // A child is placed in its parent's client area.
    const HWND child = Make(L"child", WS_CHILD | WS_VISIBLE, framed, 7);
    ASSERT_TRUE(MoveWindow(child, 16, 0, 16, 16, FALSE));
    GetWindowRect(child, &rect);
    EXPECT_EQ(rect.left, 103 + 1 + 16);
    EXPECT_EQ(rect.top, 151 + 1);

    // Only the parts the flags leave are changed.
    ASSERT_TRUE(SetWindowPos(framed, HWND_TOP, 107, 140, 0, 0, SWP_NOSIZE | SWP_NOOWNERZORDER));
    GetWindowRect(framed, &rect);
    EXPECT_EQ(rect.left, 107);
    EXPECT_EQ(rect.top, 140);
    EXPECT_EQ(rect.right - rect.left, 34);
    ASSERT_TRUE(SetWindowPos(framed, nullptr, 0, 0, 50, 60, SWP_NOMOVE | SWP_NOZORDER));
    GetWindowRect(framed, &rect);
    EXPECT_EQ(rect.left, 107);
    EXPECT_EQ(rect.bottom - rect.top, 60);

    EXPECT_EQ(SetWindowLongW(framed, GWL_USERDATA, 1234), 0);
    EXPECT_EQ(GetWindowLongW(framed, GWL_USERDATA), 1234);
    EXPECT_EQ(GetWindowLongW(child, GWL_ID), 7);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(framed, GWL_STYLE)),
              WS_POPUP | WS_BORDER | WS_VISIBLE);
    // Dialog values belong to dialogs.
    EXPECT_EQ(SetWindowLongW(framed, DWL_MSGRESULT, 1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));

    // Text and fonts of a static control are kept for the backend to draw.
    const HWND label = CreateWindowExW(0, L"static", L"version: 1.2\nnotice", WS_CHILD | WS_VISIBLE,
                                       10, 40, 220, 60, framed, nullptr, nullptr, nullptr);
    ASSERT_NE(label, nullptr);
    LOGFONTW logFont{};
    logFont.lfHeight = 18;
    const HFONT font = CreateFontIndirectW(&logFont);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), 1);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)), font);
    const auto snapshot = platform::GuiBackend::Describe(label);
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->className, L"STATIC");
    EXPECT_EQ(snapshot->title, L"version: 1.2\nnotice");
    EXPECT_EQ(snapshot->font, font);
    DestroyWindow(framed);
    DeleteObject(font);
}

TEST_F(GuiWindow, FocusMovesWithItsMessages) {
    const HWND top = Make(L"top");
    const HWND a = Make(L"a", WS_CHILD | WS_VISIBLE, top, 1);
    const HWND b = Make(L"b", WS_CHILD | WS_VISIBLE, top, 2);
    received.clear();
    EXPECT_EQ(SetFocus(a), nullptr);
    EXPECT_EQ(SetFocus(b), a);
    EXPECT_EQ(GetFocus(), b);
    EXPECT_EQ(received,
              (std::vector<std::string>{"a:WM_SETFOCUS", "a:WM_KILLFOCUS", "b:WM_SETFOCUS"}));
    // Another thread cannot take this thread's windows into its focus.
    std::thread([&] { EXPECT_EQ(SetFocus(a), nullptr); }).join();
    EXPECT_EQ(GetFocus(), b);
    DestroyWindow(b);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(GuiWindow, SetForegroundWindowDeactivatesTheOldAndActivatesTheNew) {
    const HWND first = Make(L"first");
    const HWND second = Make(L"second");
    received.clear();
    EXPECT_TRUE(SetForegroundWindow(first));
    EXPECT_TRUE(SetForegroundWindow(second));
    EXPECT_EQ(received,
              (std::vector<std::string>{"first:WM_ACTIVATE(1,none)", "first:WM_ACTIVATE(0,second)",
                                        "second:WM_ACTIVATE(1,first)"}));
    EXPECT_EQ(GetForegroundWindow(), second);

    // Already in front: nothing is sent.
    received.clear();
    EXPECT_TRUE(SetForegroundWindow(second));
    EXPECT_TRUE(received.empty());

    // A child brings its top-level window.
    const HWND child = Make(L"child", WS_CHILD | WS_VISIBLE, first, 1);
    EXPECT_TRUE(SetForegroundWindow(child));
    EXPECT_EQ(GetForegroundWindow(), first);

    // A hidden or destroyed window is not the front window any more.
    ShowWindow(first, SW_HIDE);
    EXPECT_NE(GetForegroundWindow(), first);
    ShowWindow(first, SW_SHOW);
    EXPECT_EQ(GetForegroundWindow(), first);
    DestroyWindow(first);
    EXPECT_NE(GetForegroundWindow(), first);
}

TEST_F(GuiWindow, ShowWindowAnswersTheFormerVisibility) {
    const HWND hwnd = Make(L"shown", 0);
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW));
    EXPECT_TRUE(ShowWindow(hwnd, SW_SHOW));
    EXPECT_TRUE(ShowWindow(hwnd, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    // A child is visible only with its parent.
    const HWND child = Make(L"child", WS_CHILD | WS_VISIBLE, hwnd, 1);
    EXPECT_FALSE(IsWindowVisible(child));
    ShowWindow(hwnd, SW_SHOWNORMAL);
    EXPECT_TRUE(IsWindowVisible(child));
}

// A full-screen dialog of the shell on the device's 240 x 320 screen, on other handhelds' and
// on a desktop's.
TEST_F(GuiWindow, ShellSizesDialogsToTheScreenAndKeepsTheirDecorations) {
    const HWND dialog = Make(L"dialog");
    SHINITDLGINFO info{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLG | SHIDIF_SIPDOWN};
    ASSERT_TRUE(SHInitDialog(&info));
    RECT rect{};
    GetWindowRect(dialog, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, SH_CAPTION_HEIGHT);
    EXPECT_EQ(rect.right, 240);
    EXPECT_EQ(rect.bottom, 320 - SH_MENUBAR_HEIGHT);
    GetClientRect(dialog, &rect);
    EXPECT_EQ(rect.right, 240);
    EXPECT_EQ(rect.bottom, 268);

    SHMENUBARINFO bar{};
    bar.cbSize = 36;
    bar.hwndParent = dialog;
    bar.dwFlags = SHCMBF_EMPTYBAR;
    ASSERT_TRUE(SHCreateMenuBar(&bar));
    wchar_t className[32] = {};
    GetClassNameW(bar.hwndMB, className, 32);
    EXPECT_EQ(std::wstring(className), L"menu_worker");
    EXPECT_EQ(GetParent(bar.hwndMB), dialog);
    bar.cbSize = 20;
    EXPECT_FALSE(SHCreateMenuBar(&bar));

    auto snapshot = platform::GuiBackend::Describe(dialog);
    ASSERT_TRUE(snapshot);
    EXPECT_TRUE(snapshot->doneButton);
    EXPECT_TRUE(snapshot->fullScreen);
    EXPECT_TRUE(snapshot->menuBar);

    // The screen turns: a settings change fits the dialog to it again.
    display.screen = {320, 240, DMDO_90};
    SHACTIVATEINFO activateInfo{};
    activateInfo.cbSize = 12;
    ASSERT_TRUE(SHHandleWMSettingChange(dialog, SETTINGCHANGE_RESET, 0, &activateInfo));
    GetWindowRect(dialog, &rect);
    EXPECT_EQ(rect.right, 320);
    EXPECT_EQ(rect.bottom, 240 - SH_MENUBAR_HEIGHT);
    EXPECT_FALSE(platform::GuiBackend::Describe(dialog)->windowed);

    // A handheld's largest screen, either way round, is still filled.
    for (const platform::ScreenState handheld :
         {platform::ScreenState{480, 800, DMDO_0}, platform::ScreenState{800, 480, DMDO_90}}) {
        display.screen = handheld;
        ASSERT_TRUE(SHHandleWMSettingChange(dialog, SETTINGCHANGE_RESET, 0, &activateInfo));
        GetWindowRect(dialog, &rect);
        EXPECT_EQ(rect.right, handheld.width);
        EXPECT_EQ(rect.bottom, handheld.height - SH_MENUBAR_HEIGHT);
    }
    // A desktop's screen: a window of 480 x 640 with its bars, in the middle, which keeps the
    // place it is moved to, within the screen.
    display.screen = {1280, 800, DMDO_0};
    ASSERT_TRUE(SHInitDialog(&info));
    GetWindowRect(dialog, &rect);
    EXPECT_EQ(rect.left, 400);
    EXPECT_EQ(rect.top, 80 + SH_CAPTION_HEIGHT);
    EXPECT_EQ(rect.right, 880);
    EXPECT_EQ(rect.bottom, 720 - SH_MENUBAR_HEIGHT);
    EXPECT_TRUE(platform::GuiBackend::Describe(dialog)->windowed);
    MoveWindow(dialog, 1000, 300, 480, 640 - SH_CAPTION_HEIGHT - SH_MENUBAR_HEIGHT, FALSE);
    ASSERT_TRUE(SHHandleWMSettingChange(dialog, SETTINGCHANGE_RESET, 0, &activateInfo));
    GetWindowRect(dialog, &rect);
    EXPECT_EQ(rect.left, 800);
    EXPECT_EQ(rect.top, 160 + SH_CAPTION_HEIGHT);
    // A desktop screen lower than a handheld's gives a lower window.
    display.screen = {1024, 600, DMDO_0};
    ASSERT_TRUE(SHHandleWMSettingChange(dialog, SETTINGCHANGE_RESET, 0, &activateInfo));
    GetWindowRect(dialog, &rect);
    EXPECT_EQ(rect.top, SH_CAPTION_HEIGHT);
    EXPECT_EQ(rect.bottom, 600 - SH_MENUBAR_HEIGHT);
    // Back on a handheld's screen it is filled again.
    display.screen = {240, 320, DMDO_0};
    ASSERT_TRUE(SHHandleWMSettingChange(dialog, SETTINGCHANGE_RESET, 0, &activateInfo));
    GetWindowRect(dialog, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.right, 240);
    EXPECT_FALSE(platform::GuiBackend::Describe(dialog)->windowed);

    // Activation bookkeeping gives the focus back to the control that had it.
    const HWND edit = Make(L"edit", WS_CHILD | WS_VISIBLE, dialog, 5);
    SetFocus(edit);
    ASSERT_TRUE(SHHandleWMActivate(dialog, WA_INACTIVE, 0, &activateInfo, 0));
    EXPECT_EQ(activateInfo.hwndLastFocus, edit);
    EXPECT_EQ(activateInfo.fActive, 0u);
    SetFocus(nullptr);
    ASSERT_TRUE(SHHandleWMActivate(dialog, WA_ACTIVE, 0, &activateInfo, 0));
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(activateInfo.fActive, 1u);
    EXPECT_EQ(activateInfo.fSipUp, 0u);
    activateInfo.cbSize = 40;
    EXPECT_FALSE(SHHandleWMActivate(dialog, WA_ACTIVE, 0, &activateInfo, 0));
}

TEST_F(GuiWindow, LocalMemoryIsZeroFilledWhenAsked) {
    auto* block = static_cast<unsigned char*>(LocalAlloc(LMEM_ZEROINIT, 1024));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 1024; ++i) {
        ASSERT_EQ(block[i], 0);
    }
    EXPECT_EQ(LocalFree(block), nullptr);
    EXPECT_NE(GetModuleHandleW(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleW(L"other.dll"), nullptr);
}

} // namespace
