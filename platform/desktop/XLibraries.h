// The calls the platform makes of Xlib, RandR and XRes, each library loaded by the first use
// that needs it, so that a program that never reaches the X display loads none of them. XTest's
// requests go through Xlib's own request buffer (XConnection::FakeInput), so injecting loads no
// library of its own, and RandR is loaded only by a program that asks for the screen's rotation.
#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/Xrandr.h>

#include "SystemLibrary.h"

// Where Xlib puts the next request, as its extensions use it; declared by Xlibint.h, whose
// macros (min, max and others) are kept out of every file that includes this one.
extern "C" void* _XGetRequest(Display* display, unsigned char type, size_t length);

#define TAPWEAVE_XLIB_CALLS(CALL)                                                                  \
    CALL(XkbIgnoreExtension)                                                                       \
    CALL(XOpenDisplay)                                                                             \
    CALL(XCloseDisplay)                                                                            \
    CALL(XSetErrorHandler)                                                                         \
    CALL(XSetIOErrorHandler)                                                                       \
    CALL(XSetIOErrorExitHandler)                                                                   \
    CALL(XPending)                                                                                 \
    CALL(XNextEvent)                                                                               \
    CALL(XSync)                                                                                    \
    CALL(XFree)                                                                                    \
    CALL(XRefreshKeyboardMapping)                                                                  \
    CALL(XKeysymToKeycode)                                                                         \
    CALL(XDisplayKeycodes)                                                                         \
    CALL(XGetKeyboardMapping)                                                                      \
    CALL(XChangeKeyboardMapping)                                                                   \
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
    CALL(XSendEvent)                                                                               \
    CALL(XGrabKey)                                                                                 \
    CALL(XUngrabKey)                                                                               \
    CALL(XQueryExtension)                                                                          \
    CALL(XSelectInput)                                                                             \
    CALL(_XGetRequest)

#define TAPWEAVE_XRANDR_CALLS(CALL)                                                                \
    CALL(XRRQueryExtension)                                                                        \
    CALL(XRRSelectInput)                                                                           \
    CALL(XRRUpdateConfiguration)                                                                   \
    CALL(XRRRotations)

#define TAPWEAVE_XRES_CALLS(CALL)                                                                  \
    CALL(XResQueryExtension)                                                                       \
    CALL(XResQueryVersion)                                                                         \
    CALL(XResQueryClientIds)                                                                       \
    CALL(XResGetClientPid)                                                                         \
    CALL(XResClientIdsDestroy)

namespace platform {

struct Xlib {
    TAPWEAVE_XLIB_CALLS(SYSTEM_LIBRARY_CALL)
    // Null when libX11 cannot be loaded: the process then has no X display.
    static const Xlib* Calls();
};

struct XRandr {
    TAPWEAVE_XRANDR_CALLS(SYSTEM_LIBRARY_CALL)
    // Null when libXrandr cannot be loaded: the screen is then taken as never rotated.
    static const XRandr* Calls();
};

struct XRes {
    TAPWEAVE_XRES_CALLS(SYSTEM_LIBRARY_CALL)
    // Null when libXRes cannot be loaded: a window that does not name its process has none.
    static const XRes* Calls();
};

} // namespace platform
