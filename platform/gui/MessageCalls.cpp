// Message loops and the default window procedure.
#include <algorithm>

#include "MessagePump.h"
#include "ProcessChannel.h"
#include "WindowManager.h"
#include "platform/WindowDirectory.h"
#include "platform/gui.h"

using platform::MessagePump;
using platform::ProcessChannel;
using platform::Window;
using platform::WindowManager;

namespace {

LRESULT SetText(HWND hwnd, LPCWSTR text) {
    WindowManager& manager = WindowManager::Instance();
    std::wstring title = text ? text : L"";
    DWORD owner = 0;
    {
        auto windows = manager.Lock();
        Window* window = windows.Find(hwnd);
        if (!window) {
            return FALSE;
        }
        window->title = title;
        owner = window->threadId;
        windows.Publish(*window);
    }
    manager.Notify(owner, [hwnd, title = std::move(title)](platform::GuiBackend& backend) {
        backend.TextChanged(hwnd, title);
    });
    return TRUE;
}

LRESULT GetText(HWND hwnd, WPARAM size, LPARAM buffer, bool lengthOnly) {
    WindowManager& manager = WindowManager::Instance();
    auto windows = manager.Lock();
    const Window* window = windows.Find(hwnd);
    if (!window) {
        return 0;
    }
    if (lengthOnly) {
        return static_cast<LRESULT>(window->title.size());
    }
    auto* text = reinterpret_cast<LPWSTR>(buffer);
    if (!text || size == 0) {
        return 0;
    }
    const std::size_t length = std::min(window->title.size(), static_cast<std::size_t>(size) - 1);
    std::copy_n(window->title.begin(), length, text);
    text[length] = L'\0';
    return static_cast<LRESULT>(length);
}

LRESULT SetFont(HWND hwnd, WPARAM font, LPARAM redraw) {
    WindowManager& manager = WindowManager::Instance();
    DWORD owner = 0;
    {
        auto windows = manager.Lock();
        Window* window = windows.Find(hwnd);
        if (!window) {
            return 0;
        }
        window->font = reinterpret_cast<HFONT>(font);
        owner = window->threadId;
    }
    manager.Notify(owner, [hwnd](platform::GuiBackend& backend) { backend.Changed(hwnd); });
    if (redraw) {
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    return 0;
}

LRESULT GetFont(HWND hwnd) {
    WindowManager& manager = WindowManager::Instance();
    auto windows = manager.Lock();
    const Window* window = windows.Find(hwnd);
    return window ? reinterpret_cast<LRESULT>(window->font) : 0;
}

// The class's background brush over the whole client area; 0 without a brush.
LRESULT EraseBackground(HWND hwnd, HDC dc) {
    WindowManager& manager = WindowManager::Instance();
    HBRUSH brush = nullptr;
    RECT client{};
    {
        auto windows = manager.Lock();
        const Window* window = windows.Find(hwnd);
        if (!window) {
            return 0;
        }
        brush = window->windowClass->background;
        client = {0, 0, window->ClientWidth(), window->ClientHeight()};
    }
    return brush && FillRect(dc, &client, brush) ? 1 : 0;
}

} // namespace

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (hwnd && !IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    MessagePump::Next(*msg, hwnd, filterMin, filterMax, true, true);
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove) {
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return MessagePump::Next(*msg, hwnd, filterMin, filterMax, (remove & PM_REMOVE) != 0, false)
               ? TRUE
               : FALSE;
}

// Key presses stay key messages: no text is typed into the system's windows.
BOOL TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
    if (!msg || !msg->hwnd) {
        return 0;
    }
    WindowManager& manager = WindowManager::Instance();
    {
        auto windows = manager.Lock();
        const Window* window = windows.Find(msg->hwnd);
        if (!window || window->threadId != WindowManager::CurrentThreadId()) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
    }
    return manager.Call(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowManager& manager = WindowManager::Instance();
    if (!hwnd) {
        // A message for the calling thread itself.
        MSG msg{};
        msg.message = message;
        msg.wParam = wParam;
        msg.lParam = lParam;
        return manager.CurrentQueue()->Post(msg) ? TRUE : FALSE;
    }
    if (manager.Post(hwnd, message, wParam, lParam)) {
        return TRUE;
    }
    const auto window = manager.Lookup(hwnd);
    if (!window || window->own) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!ProcessChannel::CarriesIntegersOnly(message, lParam)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return ProcessChannel::Ask(window->processId, ProcessChannel::Operation::Post, hwnd, message,
                               wParam, lParam)
               ? TRUE
               : FALSE;
}

void PostQuitMessage(int exitCode) {
    WindowManager::Instance().CurrentQueue()->Quit(exitCode);
}

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SETTEXT:
        return SetText(hwnd, reinterpret_cast<LPCWSTR>(lParam));
    case WM_GETTEXT:
        return GetText(hwnd, wParam, lParam, false);
    case WM_GETTEXTLENGTH:
        return GetText(hwnd, 0, 0, true);
    case WM_SETFONT:
        return SetFont(hwnd, wParam, lParam);
    case WM_GETFONT:
        return GetFont(hwnd);
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        if (BeginPaint(hwnd, &paint)) {
            EndPaint(hwnd, &paint);
        }
        return 0;
    }
    case WM_ERASEBKGND:
        return EraseBackground(hwnd, reinterpret_cast<HDC>(wParam));
    default:
        return 0;
    }
}
