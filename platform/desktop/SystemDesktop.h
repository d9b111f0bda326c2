// The real desktop: the X display's windows when there is one, and the device's own windows
// (the window layer's, reached through DeviceWindows) always. It is the one place that tells
// the two kinds of handle apart.
//
// An X window's handle is its XID with bit 40 set. The window layer numbers the device's own
// windows from 1 upward below 2^32, so the two never meet.
#pragma once

#include <memory>
#include <optional>

#include "XWindows.h"
#include "platform/windows.h"

namespace platform {

class SystemDesktop : public Desktop {
  public:
    // Without X windows (null) the desktop shows only the device's own windows.
    explicit SystemDesktop(std::unique_ptr<XWindows> xWindows);

    HWND Foreground() override;
    HWND Find(const std::wstring* className, const std::wstring* title) override;
    bool Activate(HWND hwnd) override;
    bool Show(HWND hwnd, int command) override;
    DWORD ProcessOf(HWND hwnd) override;
    std::optional<std::wstring> ProgramOf(DWORD processId) override;
    LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    HWND WindowOfProgram(const std::wstring& program) override;

    static HWND HandleOf(XWindows::Window window);
    // The X window behind a handle; nullopt for a handle of the device's own windows.
    static std::optional<XWindows::Window> XWindowOf(HWND hwnd);

  private:
    std::unique_ptr<XWindows> xWindows;
};

} // namespace platform
