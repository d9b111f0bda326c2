#include "DialogWindow.h"

#include "WindowManager.h"

namespace platform {

LRESULT DialogWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowManager& manager = WindowManager::Instance();
    DLGPROC dialogProcedure = nullptr;
    {
        auto windows = manager.Lock();
        if (const Window* window = windows.Find(hwnd)) {
            dialogProcedure = window->dialogProcedure;
        }
    }
    const INT_PTR handled = dialogProcedure ? dialogProcedure(hwnd, message, wParam, lParam) : 0;
    if (handled) {
        if (message == WM_INITDIALOG) {
            return handled;
        }
        auto windows = manager.Lock();
        const Window* window = windows.Find(hwnd);
        return window ? window->messageResult : 0;
    }
    switch (message) {
    case WM_CLOSE:
    case WM_INITDIALOG:
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace platform
