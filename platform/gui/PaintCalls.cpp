// Painting: the part of a window waiting for WM_PAINT, and the DC that paints its client area.
#include <algorithm>

#include "DeviceContext.h"
#include "HandleTable.h"
#include "WindowManager.h"
#include "platform/gui.h"

using platform::DeviceContext;
using platform::HandleTable;
using platform::Window;
using platform::WindowManager;

namespace {

bool IsEmpty(const RECT& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

RECT Union(const RECT& a, const RECT& b) {
    if (IsEmpty(a)) {
        return b;
    }
    if (IsEmpty(b)) {
        return a;
    }
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

} // namespace

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    WindowManager& manager = WindowManager::Instance();
    DWORD owner = 0;
    {
        auto windows = manager.Lock();
        Window* window = windows.FindOrFail(hwnd);
        if (!window) {
            return FALSE;
        }
        const RECT client{0, 0, window->ClientWidth(), window->ClientHeight()};
        RECT area = client;
        if (rect) {
            area = {std::max(rect->left, client.left), std::max(rect->top, client.top),
                    std::min(rect->right, client.right), std::min(rect->bottom, client.bottom)};
        }
        if (IsEmpty(area)) {
            return TRUE;
        }
        window->invalidArea = window->invalid ? Union(window->invalidArea, area) : area;
        window->invalid = true;
        window->erase = window->erase || erase;
        owner = window->threadId;
    }
    if (const auto queue = manager.QueueOf(owner)) {
        queue->Wake();
    }
    return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
    WindowManager& manager = WindowManager::Instance();
    bool paint = false;
    {
        auto windows = manager.Lock();
        Window* window = windows.FindOrFail(hwnd);
        if (!window) {
            return FALSE;
        }
        paint = window->invalid && window->IsVisible();
    }
    if (paint) {
        manager.Send(hwnd, WM_PAINT, 0, 0, -1);
    }
    return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    if (!paint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    *paint = PAINTSTRUCT{};
    WindowManager& manager = WindowManager::Instance();
    std::shared_ptr<platform::PixelBuffer> surface;
    bool erase = false;
    {
        auto windows = manager.Lock();
        Window* window = windows.FindOrFail(hwnd);
        if (!window) {
            return nullptr;
        }
        window->surface->Resize(window->ClientWidth(), window->ClientHeight());
        surface = window->surface;
        paint->rcPaint = window->invalid ? window->invalidArea : RECT{};
        erase = window->erase;
        window->invalid = false;
        window->erase = false;
    }
    paint->hdc = static_cast<HDC>(HandleTable::Add(std::make_unique<DeviceContext>(surface)));
    if (erase) {
        // fErase tells the window that its background is still to be erased.
        paint->fErase =
            manager.Call(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0) == 0;
    }
    return paint->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
    if (!paint || !HandleTable::Get<DeviceContext>(paint->hdc)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HandleTable::Close(paint->hdc);
    WindowManager& manager = WindowManager::Instance();
    DWORD owner = 0;
    {
        auto windows = manager.Lock();
        const Window* window = windows.Find(hwnd);
        if (!window) {
            return TRUE;
        }
        owner = window->threadId;
    }
    manager.Notify(owner, [hwnd, area = paint->rcPaint](platform::GuiBackend& backend) {
        backend.Painted(hwnd, area);
    });
    return TRUE;
}
