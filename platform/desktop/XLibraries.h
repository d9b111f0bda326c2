// The calls the platform makes of libxcb, Xlib and XRes, each library loaded by the first use
// that needs it, so that a program that never reaches the X display loads none of them. The
// screen, injection through XTest and the stop key go through libxcb alone (XConnection), whose
// extension requests (XTest's, RandR's) are written as its generated code writes them, so they
// load no library of their own; Xlib is loaded only for the desktop's windows (XlibConnection).
#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include "SystemLibrary.h"

#define TAPWEAVE_XCB_CALLS(CALL)                                                                   \
    CALL(xcb_connect)                                                                              \
    CALL(xcb_disconnect)                                                                           \
    CALL(xcb_connection_has_error)                                                                 \
    CALL(xcb_get_setup)                                                                            \
    CALL(xcb_setup_roots_iterator)                                                                 \
    CALL(xcb_screen_next)                                                                          \
    CALL(xcb_get_file_descriptor)                                                                  \
    CALL(xcb_flush)                                                                                \
    CALL(xcb_poll_for_event)                                                                       \
    CALL(xcb_send_request)                                                                         \
    CALL(xcb_wait_for_reply)                                                                       \
    CALL(xcb_request_check)                                                                        \
    CALL(xcb_prefetch_extension_data)                                                              \
    CALL(xcb_get_extension_data)                                                                   \
    CALL(xcb_change_window_attributes)                                                             \
    CALL(xcb_get_input_focus)                                                                      \
    CALL(xcb_get_input_focus_reply)                                                                \
    CALL(xcb_get_keyboard_mapping)                                                                 \
    CALL(xcb_get_keyboard_mapping_reply)                                                           \
    CALL(xcb_get_keyboard_mapping_keysyms)                                                         \
    CALL(xcb_change_keyboard_mapping)                                                              \
    CALL(xcb_grab_key_checked)                                                                     \
    CALL(xcb_ungrab_key)

#define TAPWEAVE_XLIB_CALLS(CALL)                                                                  \
    CALL(XkbIgnoreExtension)                                                                       \
    CALL(XOpenDisplay)                                                                             \
    CALL(XCloseDisplay)                                                                            \
    CALL(XSetErrorHandler)                                                                         \
    CALL(XSetIOErrorHandler)                                                                       \
    CALL(XSetIOErrorExitHandler)                                                                   \
    CALL(XSync)                                                                                    \
    CALL(XFree)                                                                                    \
    CALL(XInternAtoms)                                                                             \
    CALL(XGetInputFocus)                                                                           \
    CALL(XSetInputFocus)                                                                           \
    CALL(XGetWindowAttributes)                                                                     \
    CALL(XMapRaised)                                                                               \
    CALL(XMapWindow)                                                                               \
    CALL(XWithdrawWindow)                                                                          \
    CALL(XGetWindowProperty)                                                                       \
    CALL(XGetClassHint)                                                                            \
    CALL(XGetWMName)                                                                               \
    CALL(Xutf8TextPropertyToTextList)                                                              \
    CALL(XFreeStringList)                                                                          \
    CALL(XQueryTree)                                                                               \
    CALL(XSendEvent)

#define TAPWEAVE_XRES_CALLS(CALL)                                                                  \
    CALL(XResQueryExtension)                                                                       \
    CALL(XResQueryVersion)                                                                         \
    CALL(XResQueryClientIds)                                                                       \
    CALL(XResGetClientPid)                                                                         \
    CALL(XResClientIdsDestroy)

namespace platform {

struct Xcb {
    TAPWEAVE_XCB_CALLS(SYSTEM_LIBRARY_CALL)
    // Null when libxcb cannot be loaded: the process then has no X display.
    static const Xcb* Calls();
};

struct Xlib {
    TAPWEAVE_XLIB_CALLS(SYSTEM_LIBRARY_CALL)
    // Null when libX11 cannot be loaded: the process then has no X display.
    static const Xlib* Calls();
};

struct XRes {
    TAPWEAVE_XRES_CALLS(SYSTEM_LIBRARY_CALL)
    // Null when libXRes cannot be loaded: a window that does not name its process has none.
    static const XRes* Calls();
};

} // namespace platform
