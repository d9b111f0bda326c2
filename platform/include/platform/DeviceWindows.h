// The device's own windows, which the window layer serves. Their handles are small numbers
// (below 2^32); the desktop hands every handle of that kind to the window layer through this
// seam, and keeps the desktop's windows for itself, so that one FindWindowW, ShowWindow or
// SendMessageW reaches both.
#pragma once

#include <string>

#include "platform/types.h"

namespace platform {

class DeviceWindows {
  public:
    virtual ~DeviceWindows() = default;
    // A null name or title matches any; null when no window of the device matches.
    virtual HWND Find(const std::wstring* className, const std::wstring* title) = 0;
    virtual bool Activate(HWND hwnd) = 0;
    // Whether the window was visible before.
    virtual bool Show(HWND hwnd, int command) = 0;
    virtual DWORD ProcessOf(HWND hwnd) = 0;
    virtual LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The device's front window: one of its own, visible, brought to the front last; null when
    // none is, and then the desktop's front window is the front window.
    virtual HWND Foreground() { return nullptr; }
    // A window of the desktop has been brought to the front: no window of the device is.
    virtual void Deactivate() {}

    // The window layer in place; null until it puts itself there (the device then has no
    // windows of its own).
    static DeviceWindows* Current();
    static void Set(DeviceWindows* windows);
};

} // namespace platform
