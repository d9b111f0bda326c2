// One window of this process: everything the window layer knows of it. Reached only through
// the window manager's locked view (WindowManager::Locked), so read and changed under its lock;
// only the window's own thread runs its procedure.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Control.h"
#include "PixelBuffer.h"
#include "WindowClass.h"
#include "platform/gui.h"

namespace platform {

class Window {
  public:
    Window(HWND handle, DWORD threadId, std::shared_ptr<const WindowClass> windowClass);

    bool IsChild() const { return (style & WS_CHILD) != 0; }
    bool IsVisible() const { return (style & WS_VISIBLE) != 0; }
    // The one-pixel frame of WS_BORDER; nothing else has a frame.
    int Border() const { return (style & WS_BORDER) ? 1 : 0; }
    int ClientWidth() const;
    int ClientHeight() const;

    const HWND handle;
    const DWORD threadId;
    const std::shared_ptr<const WindowClass> windowClass;
    // A child's parent (WS_CHILD), or a top-level window's owner.
    HWND parent = nullptr;
    std::vector<HWND> children;

    std::wstring title;
    DWORD style = 0;
    DWORD exStyle = 0;
    int controlId = 0;
    // The outer rectangle: in the parent's client coordinates for a child, on the screen for a
    // top-level window.
    RECT rect{};
    // Raised above the others at this stamp (device-wide order of top-level windows).
    unsigned long long raised = 0;

    WNDPROC procedure = nullptr;
    LONG_PTR userData = 0;
    HFONT font = nullptr;

    // Dialogs: the dialog procedure, DWL_MSGRESULT and DWL_USER, and the end of the modal loop.
    DLGPROC dialogProcedure = nullptr;
    LONG_PTR messageResult = 0;
    LONG_PTR dialogUser = 0;
    bool modal = false;
    bool ended = false;
    INT_PTR endResult = 0;

    // Shell decorations (SHInitDialog, SHCreateMenuBar).
    bool doneButton = false;
    bool fullScreen = false;
    // A full-screen dialog on a desktop's screen: an ordinary window of a handheld's size.
    bool windowed = false;
    bool menuBar = false;

    // The part of the client area waiting for WM_PAINT, and whether its background is to be
    // erased first.
    bool invalid = false;
    RECT invalidArea{};
    bool erase = false;
    // The client area's pixels, sized when painted.
    std::shared_ptr<PixelBuffer> surface;

    // A predefined control's own state (a list view's items), made at WM_CREATE. Shared, so
    // that it outlives a control destroyed while one of its messages is still being handled.
    std::shared_ptr<Control> control;

    // WM_DESTROY has been sent; no more messages are delivered.
    bool destroying = false;
};

} // namespace platform
