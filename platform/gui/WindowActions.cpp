#include "WindowActions.h"

#include "ProcessChannel.h"
#include "WindowManager.h"
#include "platform/WindowDirectory.h"

namespace platform {

std::optional<bool> WindowActions::Show(HWND hwnd, int command) {
    WindowManager& manager = WindowManager::Instance();
    const bool show = command != SW_HIDE && command != SW_MINIMIZE;
    bool was = false;
    bool topLevel = false;
    DWORD owner = 0;
    {
        auto windows = manager.Lock();
        Window* window = windows.Find(hwnd);
        if (!window) {
            return std::nullopt;
        }
        was = window->IsVisible();
        topLevel = !window->IsChild();
        owner = window->threadId;
        if (show == was) {
            return was;
        }
        if (show) {
            window->style |= WS_VISIBLE;
            if (topLevel) {
                window->raised = WindowDirectory::Stamp();
            }
        } else {
            window->style &= ~WS_VISIBLE;
        }
        windows.Publish(*window);
    }
    // On the window's own thread, in this order: the backend (chosen there when this is the
    // first window shown) hears of it before the window is asked to paint.
    manager.RunOnThread(owner, [&manager, hwnd, show, topLevel, owner] {
        if (show && topLevel) {
            manager.WindowShown();
        }
        manager.Notify(owner, [hwnd, show](GuiBackend& backend) { backend.Shown(hwnd, show); });
        if (show) {
            InvalidateRect(hwnd, nullptr, TRUE);
        }
    });
    return was;
}

bool WindowActions::Activate(HWND hwnd) {
    WindowManager& manager = WindowManager::Instance();
    DWORD owner = 0;
    {
        auto windows = manager.Lock();
        Window* window = windows.Find(hwnd);
        if (!window) {
            return false;
        }
        Window* top = windows.TopLevel(*window);
        hwnd = top->handle;
        owner = top->threadId;
        top->raised = WindowDirectory::Stamp();
        windows.Publish(*top);
    }
    const HWND previous = WindowDirectory::Foreground();
    if (previous == hwnd) {
        return true;
    }
    WindowDirectory::SetForeground(hwnd);
    manager.Notify(owner, [hwnd](GuiBackend& backend) { backend.Activated(hwnd); });
    if (previous) {
        DeliverActivation(previous, WA_INACTIVE, hwnd);
    }
    DeliverActivation(hwnd, WA_ACTIVE, previous);
    return true;
}

void WindowActions::Deactivate() {
    const HWND previous = WindowDirectory::Foreground();
    if (!previous) {
        return;
    }
    WindowDirectory::SetForeground(nullptr);
    DeliverActivation(previous, WA_INACTIVE, nullptr);
}

HWND WindowActions::Foreground() {
    const HWND front = WindowDirectory::Foreground();
    if (!front) {
        return nullptr;
    }
    // Not when it is a window of this process that is gone, or of a process that has ended.
    const auto window = WindowManager::Instance().Lookup(front);
    return window && window->visible ? front : nullptr;
}

void WindowActions::DeliverActivation(HWND hwnd, WPARAM state, HWND other) {
    WindowManager& manager = WindowManager::Instance();
    const auto otherValue = reinterpret_cast<LPARAM>(other);
    const auto window = manager.Lookup(hwnd);
    if (!window) {
        return;
    }
    if (window->own) {
        manager.RunOnThread(window->threadId, [&manager, hwnd, state, otherValue] {
            manager.Call(hwnd, WM_ACTIVATE, state, otherValue);
        });
        return;
    }
    ProcessChannel::Ask(window->processId, ProcessChannel::Operation::Post, hwnd, WM_ACTIVATE,
                        state, otherValue);
}

} // namespace platform
