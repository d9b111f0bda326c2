// What a backend may ask of the core.
#include "GuiBackend.h"

#include "ListView.h"
#include "WindowActions.h"
#include "WindowManager.h"
#include "platform/WindowDirectory.h"

namespace platform {

std::optional<WindowSnapshot> GuiBackend::Describe(HWND hwnd) {
    WindowManager& manager = WindowManager::Instance();
    const HWND front = WindowDirectory::Foreground();
    auto windows = manager.Lock();
    const Window* window = windows.Find(hwnd);
    if (!window) {
        return std::nullopt;
    }
    WindowSnapshot snapshot;
    snapshot.hwnd = hwnd;
    snapshot.parent = window->IsChild() ? window->parent : nullptr;
    snapshot.className = window->windowClass->name;
    snapshot.title = window->title;
    snapshot.style = window->style;
    snapshot.exStyle = window->exStyle;
    snapshot.controlId = window->controlId;
    snapshot.windowRect = windows.ScreenRect(*window);
    snapshot.clientRect = windows.ScreenClientRect(*window);
    snapshot.visible = window->IsVisible();
    snapshot.foreground = front == hwnd;
    snapshot.font = window->font;
    snapshot.doneButton = window->doneButton;
    snapshot.fullScreen = window->fullScreen;
    snapshot.windowed = window->windowed;
    snapshot.menuBar = window->menuBar;
    snapshot.modal = window->modal;
    return snapshot;
}

std::vector<HWND> GuiBackend::Children(HWND hwnd) {
    WindowManager& manager = WindowManager::Instance();
    auto windows = manager.Lock();
    const Window* window = windows.Find(hwnd);
    return window ? window->children : std::vector<HWND>();
}

bool GuiBackend::CopyPixels(HWND hwnd, Pixels& out) {
    WindowManager& manager = WindowManager::Instance();
    auto windows = manager.Lock();
    const Window* window = windows.Find(hwnd);
    if (!window) {
        return false;
    }
    out.width = window->surface->Width();
    out.height = window->surface->Height();
    out.data = window->surface->Data();
    return true;
}

std::vector<ListItemSnapshot> GuiBackend::ListItems(HWND list) {
    return ListView::Items(list);
}

void GuiBackend::UserActivated(HWND hwnd) {
    WindowManager& manager = WindowManager::Instance();
    {
        auto windows = manager.Lock();
        const Window* window = windows.Find(hwnd);
        if (!window || (window->exStyle & WS_EX_NOACTIVATE)) {
            return;
        }
    }
    WindowActions::Activate(hwnd);
}

void GuiBackend::UserDeactivated(HWND hwnd) {
    if (WindowDirectory::Foreground() == hwnd) {
        WindowActions::Deactivate();
    }
}

void GuiBackend::ScreenChanged() {
    WindowManager& manager = WindowManager::Instance();
    std::vector<HWND> topLevel;
    {
        auto windows = manager.Lock();
        for (const Window* window : windows.All()) {
            if (!window->IsChild()) {
                topLevel.push_back(window->handle);
            }
        }
    }
    for (const HWND hwnd : topLevel) {
        manager.Post(hwnd, WM_SETTINGCHANGE, SETTINGCHANGE_RESET, 0);
    }
}

} // namespace platform
