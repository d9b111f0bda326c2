// Top-level windows, processes and modules as the system uses them: the front window and the
// program it belongs to, bringing a window up, and sending it a message. On an X display the
// desktop's windows take part (the desktop is the Today screen, "DesktopExplorerWindow" /
// "Desktop"; desktop, panel and dock windows belong to \Windows\shell32.exe). Without a display
// there is no front window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/types.h"

#define WM_ACTIVATE 0x0006u
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5

#define PROCESS_QUERY_INFORMATION 0x0400u

HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
BOOL ShowWindow(HWND hwnd, int command);
// Stores the owning process's identifier in *processId (0 when the window is unknown) and
// returns its thread identifier.
DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId);
LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

HANDLE OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId);
// With a process handle: the program's path, a device path for a program of the device,
// otherwise its host path. With a null module: this program's own path.
DWORD GetModuleFileNameW(HANDLE module, LPWSTR fileName, DWORD size);

namespace platform {

// Whether the process runs one of the device's programs (a file below the device's fs/ folder,
// or one of the build's programs that the device's are): not a program of the desktop the
// device runs on, nor the desktop's shell, nor a process that has ended.
bool IsDeviceProgram(DWORD processId);

// The windows of the desktop the device runs on, behind one seam: the X display, or nothing
// without one. Unit tests put fake windows in its place.
class Desktop {
  public:
    virtual ~Desktop() = default;
    virtual HWND Foreground() = 0;
    // A null name or title matches any.
    virtual HWND Find(const std::wstring* className, const std::wstring* title) = 0;
    virtual bool Activate(HWND hwnd) = 0;
    // Whether the window was visible before, as ShowWindow answers.
    virtual bool Show(HWND hwnd, int command) = 0;
    // The process identifier that owns the window; 0 when unknown.
    virtual DWORD ProcessOf(HWND hwnd) = 0;
    // The program path of a process: a device path for a program of the device,
    // "\Windows\shell32.exe" for the desktop's own windows, else the host path.
    virtual std::optional<std::wstring> ProgramOf(DWORD processId) = 0;
    virtual LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // A top-level window of a running copy of the program (a path as ProgramOf gives it), which
    // the shell brings up instead of starting the program twice; null when it has none.
    virtual HWND WindowOfProgram(const std::wstring&) { return nullptr; }

    // The process that owns the desktop's own windows (the Today screen, panels, docks): above
    // every identifier Linux hands out, and never a process group when taken as a pid_t.
    static constexpr DWORD shellProcessId = 0x7FFFFFFEu;

    static Desktop& Current();
    static void Set(Desktop* desktop);
};

} // namespace platform
