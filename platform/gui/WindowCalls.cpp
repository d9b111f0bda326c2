// Windows of this process: classes, creation and destruction, place, text, long values,
// focus and family. Windows of other processes answer what the directory knows of them.
#include <algorithm>
#include <cstring>
#include <functional>
#include <unistd.h>
#include <utility>

#include "DeviceWindowService.h"
#include "WindowActions.h"
#include "WindowClasses.h"
#include "WindowManager.h"
#include "platform/WindowDirectory.h"
#include "platform/display.h"
#include "platform/gui.h"

using platform::Window;
using platform::WindowActions;
using platform::WindowClass;
using platform::WindowClasses;
using platform::WindowDirectory;
using platform::WindowManager;

namespace {

// The running program's module: programs of the device have one module each that the system
// asks for, so one value stands for it.
const HMODULE programModule = reinterpret_cast<HMODULE>(std::uintptr_t{0x10000});

// Each thread has its own focus window.
thread_local HWND focusWindow = nullptr;

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// Every descendant of the window, parents before their children.
void CollectTree(const WindowManager::Locked& windows, HWND hwnd, std::vector<HWND>& tree) {
    tree.push_back(hwnd);
    if (const Window* window = windows.Find(hwnd)) {
        for (const HWND child : window->children) {
            CollectTree(windows, child, tree);
        }
    }
}

// One of the rectangles of a window of any process.
BOOL RectOf(HWND hwnd, LPRECT rect, RECT WindowManager::Summary::*which) {
    if (!rect) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const auto window = WindowManager::Instance().Lookup(hwnd);
    if (!window) {
        return Fail(ERROR_INVALID_WINDOW_HANDLE);
    }
    *rect = (*window).*which;
    return TRUE;
}

int CopyText(const std::wstring& text, LPWSTR buffer, int maxCount) {
    if (!buffer || maxCount <= 0) {
        return 0;
    }
    const int length = std::min<int>(static_cast<int>(text.size()), maxCount - 1);
    std::copy_n(text.begin(), length, buffer);
    buffer[length] = L'\0';
    return length;
}

} // namespace

ATOM RegisterClassW(const WNDCLASSW* windowClass) {
    if (!windowClass || !windowClass->lpszClassName || !*windowClass->lpszClassName ||
        !windowClass->lpfnWndProc) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WindowClass registered;
    registered.name = windowClass->lpszClassName;
    registered.style = windowClass->style;
    registered.procedure = windowClass->lpfnWndProc;
    registered.instance = windowClass->hInstance;
    registered.icon = windowClass->hIcon;
    registered.background = windowClass->hbrBackground;
    if (!WindowClasses::Instance().Register(registered)) {
        Fail(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    // The atom only says that registration worked; classes are always named.
    return 1;
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    if (!className) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    WindowManager& manager = WindowManager::Instance();
    const auto windowClass = WindowClasses::Instance().Find(className);
    if (!windowClass || windowClass->predefined) {
        return Fail(ERROR_CLASS_DOES_NOT_EXIST);
    }
    auto windows = manager.Lock();
    for (const Window* window : windows.All()) {
        if (window->windowClass == windowClass) {
            return Fail(ERROR_CLASS_HAS_WINDOWS);
        }
    }
    return WindowClasses::Instance().Unregister(className) ? TRUE
                                                           : Fail(ERROR_CLASS_DOES_NOT_EXIST);
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
    if (!className) {
        Fail(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const auto windowClass = WindowClasses::Instance().Find(className);
    if (!windowClass) {
        Fail(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    WindowManager& manager = WindowManager::Instance();
    const bool child = (style & WS_CHILD) != 0;
    {
        auto windows = manager.Lock();
        if (parent && !windows.FindOrFail(parent)) {
            return nullptr;
        }
    }
    if (child && !parent) {
        Fail(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    const HWND hwnd = WindowDirectory::NewHandle();
    if (!hwnd) {
        Fail(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    // The thread gets its queue with its first window.
    manager.CurrentQueue();
    if (!child) {
        platform::DeviceWindowService::Serve();
    }

    // A default place is the screen's corner; a default size, the whole screen.
    if (x == CW_USEDEFAULT) {
        x = y = 0;
    }
    if (width == CW_USEDEFAULT) {
        width = GetSystemMetrics(SM_CXSCREEN);
        height = GetSystemMetrics(SM_CYSCREEN);
    }
    auto window = std::make_shared<Window>(hwnd, WindowManager::CurrentThreadId(), windowClass);
    window->parent = parent;
    window->style = style & ~WS_VISIBLE;
    window->exStyle = exStyle;
    window->title = windowName ? windowName : L"";
    window->controlId = child ? static_cast<int>(reinterpret_cast<std::intptr_t>(menu)) : 0;
    window->rect = {x, y, x + std::max(width, 0), y + std::max(height, 0)};
    window->raised = WindowDirectory::Stamp();
    {
        auto windows = manager.Lock();
        if (Window* parentWindow = parent ? windows.Find(parent) : nullptr; parentWindow && child) {
            parentWindow->children.push_back(hwnd);
        }
        windows.Add(window);
        windows.Publish(*window);
    }
    const DWORD owner = window->threadId;
    manager.Notify(owner, [hwnd](platform::GuiBackend& backend) { backend.Created(hwnd); });

    CREATESTRUCTW create{};
    create.lpCreateParams = param;
    create.hInstance = instance;
    create.hMenu = menu;
    create.hwndParent = parent;
    create.cy = height;
    create.cx = width;
    create.y = y;
    create.x = x;
    create.style = static_cast<LONG>(style);
    create.lpszName = windowName;
    create.lpszClass = className;
    create.dwExStyle = exStyle;
    if (manager.Call(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        Fail(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (!IsWindow(hwnd)) {
        // Destroyed while it was being created.
        return nullptr;
    }
    if (style & WS_VISIBLE) {
        WindowActions::Show(hwnd, SW_SHOW);
    }
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
    WindowManager& manager = WindowManager::Instance();
    std::vector<HWND> owned;
    {
        auto windows = manager.Lock();
        const Window* window = windows.FindOrFail(hwnd);
        if (!window) {
            return FALSE;
        }
        if (window->threadId != WindowManager::CurrentThreadId()) {
            return Fail(ERROR_ACCESS_DENIED);
        }
        if (window->destroying) {
            return TRUE;
        }
        for (const Window* other : windows.All()) {
            if (!other->IsChild() && other->parent == hwnd) {
                owned.push_back(other->handle);
            }
        }
    }
    // Windows it owns (dialogs of a window) go before it.
    for (const HWND ownedWindow : owned) {
        DestroyWindow(ownedWindow);
    }
    std::vector<HWND> tree;
    {
        auto windows = manager.Lock();
        const Window* window = windows.Find(hwnd);
        if (!window || window->destroying) {
            return TRUE;
        }
        CollectTree(windows, hwnd, tree);
        for (const HWND member : tree) {
            windows.Find(member)->destroying = true;
        }
    }
    if (WindowDirectory::Foreground() == hwnd) {
        WindowDirectory::SetForeground(nullptr);
    }
    // WM_DESTROY reaches the window first and then its children, which all still exist.
    for (const HWND member : tree) {
        manager.Call(member, WM_DESTROY, 0, 0);
    }
    // The handles go children first.
    std::reverse(tree.begin(), tree.end());
    std::vector<DWORD> owners;
    {
        auto windows = manager.Lock();
        for (const HWND member : tree) {
            const Window* window = windows.Find(member);
            owners.push_back(window->threadId);
            if (Window* parent = windows.Parent(*window)) {
                std::erase(parent->children, member);
            } else if (!window->IsChild()) {
                WindowDirectory::Remove(member);
            }
            if (focusWindow == member) {
                focusWindow = nullptr;
            }
            windows.Remove(member);
        }
    }
    for (std::size_t i = 0; i < tree.size(); ++i) {
        manager.Notify(owners[i], [member = tree[i]](platform::GuiBackend& backend) {
            backend.Destroyed(member);
        });
    }
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : SWP_NOREDRAW))
               ? TRUE
               : FALSE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
    WindowManager& manager = WindowManager::Instance();
    DWORD owner = 0;
    RECT screen{};
    bool moved = false;
    bool raised = false;
    bool restyled = false;
    {
        auto windows = manager.Lock();
        Window* window = windows.FindOrFail(hwnd);
        if (!window) {
            return FALSE;
        }
        owner = window->threadId;
        RECT rect = window->rect;
        if (!(flags & SWP_NOMOVE)) {
            rect = {x, y, x + (rect.right - rect.left), y + (rect.bottom - rect.top)};
        }
        if (!(flags & SWP_NOSIZE)) {
            rect.right = rect.left + std::max(width, 0);
            rect.bottom = rect.top + std::max(height, 0);
        }
        moved = std::memcmp(&rect, &window->rect, sizeof rect) != 0;
        window->rect = rect;
        if (!(flags & SWP_NOZORDER) && !window->IsChild()) {
            const DWORD before = window->exStyle;
            if (insertAfter == HWND_TOPMOST) {
                window->exStyle |= WS_EX_TOPMOST;
            } else if (insertAfter == HWND_NOTOPMOST) {
                window->exStyle &= ~WS_EX_TOPMOST;
            }
            restyled = before != window->exStyle;
            if (insertAfter == HWND_BOTTOM) {
                window->raised = 0;
            } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST ||
                       insertAfter == HWND_NOTOPMOST) {
                window->raised = WindowDirectory::Stamp();
                raised = true;
            }
        }
        screen = windows.ScreenRect(*window);
        windows.Publish(*window);
    }
    if (moved) {
        manager.Notify(owner, [hwnd, screen](platform::GuiBackend& b) { b.Moved(hwnd, screen); });
        if (!(flags & SWP_NOREDRAW)) {
            InvalidateRect(hwnd, nullptr, TRUE);
        }
    }
    if (restyled) {
        manager.Notify(owner, [hwnd](platform::GuiBackend& b) { b.Changed(hwnd); });
    }
    if (raised) {
        manager.Notify(owner, [hwnd](platform::GuiBackend& b) { b.Raised(hwnd); });
    }
    if (flags & SWP_SHOWWINDOW) {
        WindowActions::Show(hwnd, SW_SHOWNA);
    } else if (flags & SWP_HIDEWINDOW) {
        WindowActions::Show(hwnd, SW_HIDE);
    }
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    return RectOf(hwnd, rect, &WindowManager::Summary::rect);
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    return RectOf(hwnd, rect, &WindowManager::Summary::client);
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
    WindowManager& manager = WindowManager::Instance();
    bool answered = false;
    const LRESULT result =
        manager.Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), -1, &answered);
    if (!answered) {
        // Text is a pointer: it does not cross to another process.
        return Fail(ERROR_INVALID_WINDOW_HANDLE);
    }
    return result ? TRUE : FALSE;
}

int GetWindowTextW(HWND hwnd, LPWSTR text, int maxCount) {
    if (!text || maxCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    text[0] = L'\0';
    WindowManager& manager = WindowManager::Instance();
    const auto window = manager.Lookup(hwnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (window->own && window->threadId == WindowManager::CurrentThreadId()) {
        return static_cast<int>(manager.Call(hwnd, WM_GETTEXT, static_cast<WPARAM>(maxCount),
                                             reinterpret_cast<LPARAM>(text)));
    }
    return CopyText(window->title, text, maxCount);
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
    WindowManager& manager = WindowManager::Instance();
    auto windows = manager.Lock();
    const Window* window = windows.FindOrFail(hwnd);
    if (!window) {
        return 0;
    }
    const bool dialog = window->dialogProcedure != nullptr;
    switch (index) {
    case GWL_STYLE:
        return static_cast<LONG>(window->style);
    case GWL_EXSTYLE:
        return static_cast<LONG>(window->exStyle);
    case GWL_ID:
        return window->controlId;
    case GWL_USERDATA:
        return window->userData;
    case GWL_WNDPROC:
        return reinterpret_cast<LONG_PTR>(window->procedure);
    case DWL_MSGRESULT:
        if (dialog) {
            return window->messageResult;
        }
        break;
    case DWL_USER:
        if (dialog) {
            return window->dialogUser;
        }
        break;
    default:
        break;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    WindowManager& manager = WindowManager::Instance();
    LONG_PTR previous = 0;
    DWORD owner = 0;
    bool changed = false;
    {
        auto windows = manager.Lock();
        Window* window = windows.FindOrFail(hwnd);
        if (!window) {
            return 0;
        }
        owner = window->threadId;
        const bool dialog = window->dialogProcedure != nullptr;
        switch (index) {
        case GWL_STYLE:
            previous = static_cast<LONG>(window->style);
            window->style = static_cast<DWORD>(value);
            changed = true;
            windows.Publish(*window);
            break;
        case GWL_EXSTYLE:
            previous = static_cast<LONG>(window->exStyle);
            window->exStyle = static_cast<DWORD>(value);
            changed = true;
            break;
        case GWL_ID:
            previous = std::exchange(window->controlId, static_cast<int>(value));
            break;
        case GWL_USERDATA:
            previous = std::exchange(window->userData, value);
            break;
        case GWL_WNDPROC:
            if (!value) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return 0;
            }
            previous = reinterpret_cast<LONG_PTR>(
                std::exchange(window->procedure, reinterpret_cast<WNDPROC>(value)));
            break;
        case DWL_MSGRESULT:
        case DWL_USER:
            if (!dialog) {
                SetLastError(ERROR_INVALID_INDEX);
                return 0;
            }
            previous = std::exchange(
                index == DWL_MSGRESULT ? window->messageResult : window->dialogUser, value);
            break;
        default:
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
    }
    if (changed) {
        manager.Notify(owner, [hwnd](platform::GuiBackend& b) { b.Changed(hwnd); });
    }
    // A previous value of 0 is told from failure by the last error, as on the device.
    SetLastError(ERROR_SUCCESS);
    return previous;
}

LONG GetWindowLongW(HWND hwnd, int index) {
    return static_cast<LONG>(GetWindowLongPtrW(hwnd, index));
}

LONG SetWindowLongW(HWND hwnd, int index, LONG value) {
    return static_cast<LONG>(SetWindowLongPtrW(hwnd, index, value));
}

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
    if (moduleName) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return programModule;
}

HWND SetFocus(HWND hwnd) {
    WindowManager& manager = WindowManager::Instance();
    if (hwnd) {
        auto windows = manager.Lock();
        const Window* window = windows.FindOrFail(hwnd);
        if (!window) {
            return nullptr;
        }
        if (window->threadId != WindowManager::CurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
    }
    const HWND previous = GetFocus();
    if (previous == hwnd) {
        return previous;
    }
    focusWindow = hwnd;
    if (previous) {
        manager.Call(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    }
    if (hwnd) {
        manager.Call(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    }
    return previous;
}

HWND GetFocus() {
    WindowManager& manager = WindowManager::Instance();
    auto windows = manager.Lock();
    if (focusWindow && !windows.Find(focusWindow)) {
        focusWindow = nullptr;
    }
    return focusWindow;
}

HWND GetDlgItem(HWND dialog, int id) {
    WindowManager& manager = WindowManager::Instance();
    auto windows = manager.Lock();
    const Window* window = windows.FindOrFail(dialog);
    if (!window) {
        return nullptr;
    }
    for (const HWND child : window->children) {
        if (const Window* control = windows.Find(child); control && control->controlId == id) {
            return child;
        }
    }
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

BOOL IsWindow(HWND hwnd) {
    return WindowManager::Instance().Lookup(hwnd) ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
    const auto window = WindowManager::Instance().Lookup(hwnd);
    return window && window->visible ? TRUE : FALSE;
}

HWND GetParent(HWND hwnd) {
    WindowManager& manager = WindowManager::Instance();
    auto windows = manager.Lock();
    const Window* window = windows.FindOrFail(hwnd);
    if (!window) {
        return nullptr;
    }
    // A pop-up window's owner counts as its parent, as on the device.
    if (window->IsChild() || (window->style & WS_POPUP)) {
        return window->parent;
    }
    return nullptr;
}

BOOL EnumWindows(WNDENUMPROC callback, LPARAM lParam) {
    if (!callback) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    WindowManager& manager = WindowManager::Instance();
    for (const WindowDirectory::Entry& entry : WindowDirectory::List()) {
        if (entry.processId == static_cast<DWORD>(getpid())) {
            auto windows = manager.Lock();
            if (!windows.Find(entry.hwnd)) {
                continue;
            }
        }
        if (!callback(entry.hwnd, lParam)) {
            break;
        }
    }
    return TRUE;
}

int GetClassNameW(HWND hwnd, LPWSTR className, int maxCount) {
    const auto window = WindowManager::Instance().Lookup(hwnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return CopyText(window->className, className, maxCount);
}
