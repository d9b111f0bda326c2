#include "SystemDesktop.h"

#include <cstdint>

#include "ProcessTable.h"
#include "platform/DeviceWindows.h"

namespace platform {

namespace {

constexpr std::uintptr_t xWindowTag = std::uintptr_t{1} << 40;
// The XID itself: at most 29 bits, below the tag.
constexpr std::uintptr_t xidMask = (std::uintptr_t{1} << 32) - 1;

const wchar_t* const todayClass = L"DesktopExplorerWindow";
const wchar_t* const todayTitle = L"Desktop";

} // namespace

SystemDesktop::SystemDesktop(std::unique_ptr<XWindows> xWindows) : xWindows(std::move(xWindows)) {}

HWND SystemDesktop::Foreground() {
    if (DeviceWindows* device = DeviceWindows::Current()) {
        if (HWND front = device->Foreground()) {
            return front;
        }
    }
    return xWindows ? HandleOf(xWindows->Foreground()) : nullptr;
}

HWND SystemDesktop::Find(const std::wstring* className, const std::wstring* title) {
    if (DeviceWindows* device = DeviceWindows::Current()) {
        if (HWND found = device->Find(className, title)) {
            return found;
        }
    }
    if (!xWindows) {
        return nullptr;
    }
    if (className && *className == todayClass && (!title || *title == todayTitle)) {
        return HandleOf(xWindows->Today());
    }
    return HandleOf(xWindows->Find(className, title));
}

bool SystemDesktop::Activate(HWND hwnd) {
    DeviceWindows* device = DeviceWindows::Current();
    if (const std::optional<XWindows::Window> window = XWindowOf(hwnd)) {
        const bool activated = xWindows && xWindows->Activate(*window);
        if (activated && device) {
            device->Deactivate();
        }
        return activated;
    }
    return device && device->Activate(hwnd);
}

bool SystemDesktop::Show(HWND hwnd, int command) {
    if (const std::optional<XWindows::Window> window = XWindowOf(hwnd)) {
        return xWindows && xWindows->Show(*window, command);
    }
    DeviceWindows* device = DeviceWindows::Current();
    return device && device->Show(hwnd, command);
}

DWORD SystemDesktop::ProcessOf(HWND hwnd) {
    if (const std::optional<XWindows::Window> window = XWindowOf(hwnd)) {
        return xWindows ? xWindows->ProcessOf(*window) : 0;
    }
    DeviceWindows* device = DeviceWindows::Current();
    return device ? device->ProcessOf(hwnd) : 0;
}

std::optional<std::wstring> SystemDesktop::ProgramOf(DWORD processId) {
    return ProcessTable::ProgramOf(processId);
}

LRESULT SystemDesktop::Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (XWindowOf(hwnd)) {
        // An X window is its own program's: what a message asks of it (activation above all)
        // is what the desktop does for it, so the message counts as handled.
        return 0;
    }
    DeviceWindows* device = DeviceWindows::Current();
    return device ? device->Send(hwnd, message, wParam, lParam) : 0;
}

HWND SystemDesktop::WindowOfProgram(const std::wstring& program) {
    if (!xWindows) {
        return nullptr;
    }
    for (const XWindows::Window window : xWindows->Clients()) {
        const DWORD processId = xWindows->ProcessOf(window);
        if (processId != 0 && ProgramOf(processId) == program) {
            return HandleOf(window);
        }
    }
    return nullptr;
}

HWND SystemDesktop::HandleOf(XWindows::Window window) {
    if (window == 0) {
        return nullptr;
    }
    return reinterpret_cast<HWND>(xWindowTag | (static_cast<std::uintptr_t>(window) & xidMask));
}

std::optional<XWindows::Window> SystemDesktop::XWindowOf(HWND hwnd) {
    const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
    if ((value & ~xidMask) != xWindowTag || (value & xidMask) == 0) {
        return std::nullopt;
    }
    return static_cast<XWindows::Window>(value & xidMask);
}

} // namespace platform
