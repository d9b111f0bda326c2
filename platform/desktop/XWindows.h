// The X display's top-level windows as the device sees them: which one is in front, which one
// shows the Today screen, which one has a given class and title, and who owns it. Every call
// takes the connection's lock, so the recorder's window thread and touch thread may both call.
//
// With a window manager (one that announces itself through _NET_SUPPORTING_WM_CHECK) the front
// window is its _NET_ACTIVE_WINDOW and windows are brought up by asking it; without one, the
// front window is the top-level window holding the input focus, and windows are raised and
// focused directly. A focus on the root window, on none or on PointerRoot means the desktop is
// in front.
//
// It works on the process's Xlib connection (XlibConnection), under that connection's lock.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"

struct _XDisplay;

namespace platform {

class XlibConnection;
struct Xlib;

class XWindows {
  public:
    using Window = unsigned long;

    // The windows of the display named by DISPLAY; null without one or when it cannot be
    // opened.
    static std::unique_ptr<XWindows> Open();
    ~XWindows();
    XWindows(const XWindows&) = delete;
    XWindows& operator=(const XWindows&) = delete;

    Window Root() const { return root; }
    // Never None: the Today window when the desktop is in front.
    Window Foreground();
    // The window of type _NET_WM_WINDOW_TYPE_DESKTOP, else the root window, which then stands
    // for the desktop.
    Window Today();
    // The topmost client window whose WM_CLASS name or class equals className and whose
    // _NET_WM_NAME or WM_NAME equals title (null: any), hidden ones included; None when none.
    Window Find(const std::wstring* className, const std::wstring* title);
    // The windows a person can bring up: the window manager's clients, or without one the
    // mapped top-level windows.
    std::vector<Window> Clients();
    bool Activate(Window window);
    // SW_HIDE withdraws the window, any other command maps it; whether it was visible before.
    bool Show(Window window, int command);
    // _NET_WM_PID, else the process of the client that made the window as the server knows
    // it; the shell's identifier for the root window and for desktop, dock and panel windows;
    // 0 when unknown.
    DWORD ProcessOf(Window window);

  private:
    struct Atoms;
    // A window's parent and its children, bottommost first.
    struct Tree {
        Window parent = 0;
        std::vector<Window> children;
    };
    XWindows(std::shared_ptr<XlibConnection> connection, std::unique_ptr<Atoms> atoms);

    Window FindToday();
    bool Exists(Window window);
    DWORD ProcessOfClient(Window window);
    bool HasWindowManager();
    std::vector<unsigned long> Property(Window window, unsigned long property, unsigned long type);
    bool HasType(Window window, unsigned long type);
    bool Matches(Window window, const std::wstring* className, const std::wstring* title);
    std::vector<Window> TopLevels();
    // None when the window is gone.
    std::optional<Tree> TreeOf(Window window);
    Window TopLevelOf(Window window);
    Window ClientOf(Window frame, int depth);
    void SendToRoot(unsigned long message, Window window, long first, long second);
    bool SyncWithoutErrors();

    const std::shared_ptr<XlibConnection> connection;
    const Xlib& x;
    _XDisplay* const display;
    std::unique_ptr<Atoms> atoms;
    Window root;
    // Whether the server answers which process a client is (the X Resource extension, 1.2);
    // asked the first time a window does not say it, so that most programs never load it.
    std::optional<bool> hasResources;
};

} // namespace platform
