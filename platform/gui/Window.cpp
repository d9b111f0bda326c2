#include "Window.h"

#include <algorithm>

namespace platform {

Window::Window(HWND handle, DWORD threadId, std::shared_ptr<const WindowClass> windowClass)
    : handle(handle), threadId(threadId), windowClass(std::move(windowClass)),
      procedure(this->windowClass->procedure), surface(std::make_shared<PixelBuffer>(0, 0)) {}

int Window::ClientWidth() const {
    return std::max<int>(rect.right - rect.left - 2 * Border(), 0);
}

int Window::ClientHeight() const {
    return std::max<int>(rect.bottom - rect.top - 2 * Border(), 0);
}

} // namespace platform
