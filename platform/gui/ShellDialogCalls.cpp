// The Pocket PC shell's calls for full-screen dialogs. There is no input panel on a desktop, so
// only the bookkeeping and the dialog's place on the screen remain.
#include <algorithm>

#include "WindowClasses.h"
#include "WindowManager.h"
#include "platform/display.h"
#include "platform/gui.h"

using platform::Window;
using platform::WindowManager;

namespace {

// The sizes the device's shell structures have on the device itself.
constexpr DWORD deviceMenuBarInfoSize = 36;
constexpr DWORD deviceActivateInfoSize = 12;

constexpr int handheldShortSide = 480;
constexpr int handheldLongSide = 800;

// Across the screen, between the caption bar and the menu bar; on a desktop's screen, a window
// of a handheld's size in the middle of it, or where it already is when it was placed before
// (the person may have moved it), kept within the screen.
void FitToScreen(HWND hwnd, bool placed) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const int bars = SH_CAPTION_HEIGHT + SH_MENUBAR_HEIGHT;
    if (platform::IsHandheldScreen(width, height)) {
        MoveWindow(hwnd, 0, SH_CAPTION_HEIGHT, width, height - bars, TRUE);
        return;
    }
    const int outerWidth = std::min(width, platform::desktopWindowWidth);
    const int outerHeight = std::min(height, platform::desktopWindowHeight);
    int left = (width - outerWidth) / 2;
    int top = (height - outerHeight) / 2;
    RECT rect{};
    if (placed && GetWindowRect(hwnd, &rect)) {
        left = std::clamp<int>(rect.left, 0, width - outerWidth);
        top = std::clamp<int>(rect.top - SH_CAPTION_HEIGHT, 0, height - outerHeight);
    }
    MoveWindow(hwnd, left, top + SH_CAPTION_HEIGHT, outerWidth, outerHeight - bars, TRUE);
}

void Changed(WindowManager& manager, DWORD owner, HWND hwnd) {
    manager.Notify(owner, [hwnd](platform::GuiBackend& backend) { backend.Changed(hwnd); });
}

bool ScreenIsHandheld() {
    return platform::IsHandheldScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

bool ValidActivateInfo(const SHACTIVATEINFO* info) {
    return info && (info->cbSize == deviceActivateInfoSize || info->cbSize == sizeof *info);
}

} // namespace

bool platform::IsHandheldScreen(int width, int height) {
    return std::min(width, height) <= handheldShortSide &&
           std::max(width, height) <= handheldLongSide;
}

BOOL SHInitDialog(PSHINITDLGINFO info) {
    if (!info || !(info->dwMask & SHIDIM_FLAGS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    WindowManager& manager = WindowManager::Instance();
    const HWND hwnd = info->hDlg;
    const bool sized = (info->dwFlags & SHIDIF_SIZEDLG) != 0;
    DWORD owner = 0;
    bool placed = false;
    {
        auto windows = manager.Lock();
        Window* window = windows.Find(hwnd);
        if (!window || window->IsChild()) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        window->doneButton = (info->dwFlags & SHIDIF_DONEBUTTON) != 0;
        placed = window->windowed;
        window->fullScreen = sized;
        window->windowed = sized && !ScreenIsHandheld();
        owner = window->threadId;
    }
    if (sized) {
        FitToScreen(hwnd, placed);
    }
    Changed(manager, owner, hwnd);
    return TRUE;
}

BOOL SHCreateMenuBar(PSHMENUBARINFO info) {
    if (!info || (info->cbSize != deviceMenuBarInfoSize && info->cbSize != sizeof *info)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    WindowManager& manager = WindowManager::Instance();
    DWORD owner = 0;
    {
        auto windows = manager.Lock();
        const Window* window = windows.FindOrFail(info->hwndParent);
        if (!window) {
            return FALSE;
        }
        owner = window->threadId;
    }
    const HWND bar = CreateWindowExW(0, platform::WindowClasses::menuBarClass, L"", WS_CHILD, 0, 0,
                                     0, 0, info->hwndParent, nullptr, info->hInstRes, nullptr);
    if (!bar) {
        return FALSE;
    }
    {
        auto windows = manager.Lock();
        if (Window* window = windows.Find(info->hwndParent)) {
            window->menuBar = true;
        }
    }
    info->hwndMB = bar;
    Changed(manager, owner, info->hwndParent);
    return TRUE;
}

BOOL SHHandleWMActivate(HWND hwnd, WPARAM wParam, LPARAM, PSHACTIVATEINFO info, DWORD) {
    if (!ValidActivateInfo(info) || !IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    WindowManager& manager = WindowManager::Instance();
    if (LOWORD(wParam) == WA_INACTIVE) {
        // The focus to give back when the dialog comes to the front again; the input panel
        // would stay as it was (it never is up here).
        const HWND focus = GetFocus();
        info->hwndLastFocus = focus && manager.Lock().Within(focus, hwnd) ? focus : nullptr;
        info->fSipOnDeactivation = info->fSipUp;
        info->fActive = 0;
        return TRUE;
    }
    info->fActive = 1;
    if (info->hwndLastFocus && manager.Lock().Within(info->hwndLastFocus, hwnd)) {
        SetFocus(info->hwndLastFocus);
    }
    return TRUE;
}

BOOL SHHandleWMSettingChange(HWND hwnd, WPARAM, LPARAM, PSHACTIVATEINFO info) {
    if (!ValidActivateInfo(info)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    WindowManager& manager = WindowManager::Instance();
    bool fullScreen = false;
    bool placed = false;
    DWORD owner = 0;
    {
        auto windows = manager.Lock();
        Window* window = windows.FindOrFail(hwnd);
        if (!window) {
            return FALSE;
        }
        fullScreen = window->fullScreen;
        placed = window->windowed;
        // The screen may have changed between a handheld's and a desktop's.
        window->windowed = fullScreen && !ScreenIsHandheld();
        owner = window->threadId;
    }
    if (fullScreen) {
        FitToScreen(hwnd, placed);
        Changed(manager, owner, hwnd);
    }
    return TRUE;
}
