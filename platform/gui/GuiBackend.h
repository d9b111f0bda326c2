// What puts the device's windows on a screen: the window layer's core keeps every window's
// state, its messages and its pixels; a backend shows them and turns a person's input into
// messages. Two exist: headless (nothing shown; for tests and machines without a display) and
// Qt (libtapweave-gui-qt.so, its own library, loaded only when the first window is shown on a
// display, so that a program that never shows a window never loads Qt).
//
// Choice: TAPWEAVE_GUI = qt | headless; without it, qt when DISPLAY or WAYLAND_DISPLAY is set,
// else headless. When the Qt library cannot be loaded or gives no backend, the process says so
// once on standard error and goes on headless.
//
// The Qt library exports one C function, TapweaveCreateQtBackend (below). The core calls it once
// per process, on the thread that shows the first window; that thread is the backend's own (its
// GUI thread), and the core keeps the backend for the life of the process, never deleting it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui.h"

namespace platform {

// A window's state as a backend shows it.
struct WindowSnapshot {
    HWND hwnd = nullptr;
    // Null for a top-level window.
    HWND parent = nullptr;
    std::wstring className;
    std::wstring title;
    DWORD style = 0;
    DWORD exStyle = 0;
    // A child's control identifier; 0 for a top-level window.
    int controlId = 0;
    // The outer rectangle and the client area, both in screen coordinates. They differ by the
    // one-pixel border of WS_BORDER windows.
    RECT windowRect{};
    RECT clientRect{};
    // The window's own visibility (WS_VISIBLE), not its parent's.
    bool visible = false;
    // The device's front window (SetForegroundWindow).
    bool foreground = false;
    // WM_SETFONT; null for the system font. GetObjectW gives its LOGFONTW.
    HFONT font = nullptr;
    // SHInitDialog's SHIDIF_DONEBUTTON: a caption bar above the window with its title and an
    // "ok" button, which posts WM_COMMAND with IDOK and lParam 0 to the window.
    bool doneButton = false;
    // SHInitDialog's SHIDIF_SIZEDLG: the window fills the screen between the caption bar
    // (SH_CAPTION_HEIGHT) and the menu bar (SH_MENUBAR_HEIGHT).
    bool fullScreen = false;
    // A full-screen dialog on a screen larger than a handheld's (platform::IsHandheldScreen):
    // instead of a white wall it is an ordinary window of the desktop, of a handheld's size, with
    // the shell's decorations inside; the window manager frames and moves it, and its close
    // acts as the "ok" button.
    bool windowed = false;
    // SHCreateMenuBar: a menu bar below the window; with SHCMBF_EMPTYBAR an empty one.
    bool menuBar = false;
    // A dialog whose modal loop runs.
    bool modal = false;
};

// An item of a list view ("SysListView32") as a backend shows it. The core paints the icons
// (selected ones tinted with the highlight colour); the backend writes the labels in the list's
// font, word-wrapped within the label rectangle, a selected one in white on the highlight
// colour. Rectangles are in the list's client coordinates.
struct ListItemSnapshot {
    std::wstring label;
    RECT iconRect{};
    RECT labelRect{};
    bool selected = false;
    // Its label is being edited: the edit control (class "Edit", a child of the list) covers it.
    bool editing = false;

    // 0x00RRGGBB.
    static constexpr std::uint32_t highlight = 0x00316AC5u;
};

// One item of a pop-up menu.
struct MenuItem {
    UINT id = 0;
    std::wstring text;
};

// A window's client area: width x height pixels, 0x00RRGGBB, rows top-down.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> data;
};

class GuiBackend {
  public:
    virtual ~GuiBackend() = default;

    // What the core tells the backend.
    //
    // Each call is made on the thread that owns the window (the thread that created it), with
    // no lock of the core held, so the backend may call back into the core: Describe,
    // CopyPixels and any Win32 call. A change that another thread or process makes (ShowWindow
    // from elsewhere) reaches the backend when the owning thread next runs its message loop.
    // When a backend is put in place, it is told Created (and Shown, for visible windows) for
    // the windows that exist already, parents before children.

    // A window exists; Describe tells what it is. Children follow their parent.
    virtual void Created(HWND hwnd) = 0;
    // The window has received WM_DESTROY and its handle is gone: Describe fails for it. Its
    // children have been told first.
    virtual void Destroyed(HWND hwnd) = 0;
    virtual void Shown(HWND hwnd, bool visible) = 0;
    // The window's outer rectangle changed, in screen coordinates (for a child too).
    virtual void Moved(HWND hwnd, const RECT& windowRect) = 0;
    virtual void TextChanged(HWND hwnd, const std::wstring& text) = 0;
    // Style, font or shell decorations (done button, full screen, menu bar) changed: Describe
    // again.
    virtual void Changed(HWND hwnd) = 0;
    // The program has painted (EndPaint) this part of the client area, in client coordinates:
    // CopyPixels has the new pixels.
    virtual void Painted(HWND hwnd, const RECT& area) = 0;
    // The window goes on top of the other windows (SetWindowPos with HWND_TOP, activation).
    virtual void Raised(HWND hwnd) = 0;
    // The window became the device's front window (SetForegroundWindow); it is not told when
    // it stops being the front window, which another window's Activated implies.
    virtual void Activated(HWND hwnd) = 0;
    // A modal dialog's loop starts and ends (DialogBoxIndirectParamW). Input to the dialog's
    // owner is still delivered; the dialog is on top.
    virtual void ModalLoopEntered(HWND dialog) = 0;
    virtual void ModalLoopLeft(HWND dialog) = 0;
    // A pop-up menu (TrackPopupMenuEx) of a window of this thread: shows the items at the
    // screen point and returns once the person has chosen one (its identifier) or dismissed the
    // menu (0). A backend that shows no menus dismisses them.
    virtual UINT TrackPopupMenu(HWND, const std::vector<MenuItem>&, POINT) { return 0; }

    // How the core waits.
    //
    // Called on a thread that runs a message loop (GetMessageW, a modal dialog, PeekMessageW
    // with timeoutMs 0) when its queue holds nothing to deliver. The backend delivers its
    // pending events for that thread's windows through the core (PostMessageW,
    // SendMessageW, UserActivated, ...) and returns as soon as it has delivered one, as soon as
    // wakeFd becomes readable (something was posted or sent to the thread; the core reads the
    // descriptor, the backend must not), or after timeoutMs milliseconds (-1: no limit; 0:
    // do not block). Returning early is harmless: the core looks at its queue and calls again.
    // On a thread whose windows the backend does not serve, it just waits for wakeFd (poll).
    virtual void WaitForEvents(int wakeFd, int timeoutMs) = 0;

    // What a backend may ask of the core, from any thread.
    //
    // Input arrives as messages the backend posts to the window the person touched: stylus
    // messages (WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP; wParam MK_LBUTTON while down;
    // lParam the client position, x in the low 16 bits and y in the high 16 bits), key messages
    // (WM_KEYDOWN, WM_KEYUP with the virtual key), the caption's "ok" button (WM_COMMAND, IDOK,
    // lParam 0), F1 (WM_HELP sent with SendMessageW and a HELPINFO, or posted with lParam 0).

    // The window's state; nullopt for an unknown or destroyed window (or one of another
    // process).
    static std::optional<WindowSnapshot> Describe(HWND hwnd);
    // The window's children, in the order they were created.
    static std::vector<HWND> Children(HWND hwnd);
    // The window's client-area pixels, as painted so far; false for an unknown window.
    static bool CopyPixels(HWND hwnd, Pixels& out);
    // The items of a list view, in order; empty for a window that is no list view.
    static std::vector<ListItemSnapshot> ListItems(HWND list);
    // The person brought the window to the front: as SetForegroundWindow (WM_ACTIVATE pair).
    // Ignored for a window with WS_EX_NOACTIVATE.
    static void UserActivated(HWND hwnd);
    // A window of the desktop took the front from the device's window: it gets WM_ACTIVATE
    // with WA_INACTIVE, and the device has no front window until one is activated again.
    static void UserDeactivated(HWND hwnd);
    // The screen's size or rotation changed: every top-level window of this process gets
    // WM_SETTINGCHANGE with SETTINGCHANGE_RESET.
    static void ScreenChanged();
};

} // namespace platform

// The Qt library's one export. Null when it cannot serve (no display it can open); the core
// then goes on headless.
extern "C" platform::GuiBackend* TapweaveCreateQtBackend();
