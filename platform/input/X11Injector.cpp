#include "X11Injector.h"

#include <X11/XF86keysym.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "JournalInjector.h"
#include "platform/Device.h"
#include "platform/display.h"
#include "platform/input.h"

namespace platform {

namespace {

::Display* Connect(std::string& error) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        error = "no X display (DISPLAY is not set)";
        return nullptr;
    }
    ::Display* display = XOpenDisplay(nullptr);
    if (!display) {
        error = std::string("cannot connect to the X display ") + name;
        return nullptr;
    }
    int eventBase, errorBase, major, minor;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(display);
        error = std::string("the X display ") + name + " has no XTest extension";
        return nullptr;
    }
    return display;
}

// Xlib's own handler for a broken connection ends the process. For the injector's connections
// it returns instead, and the connection's exit handler keeps the process running; every
// other connection is handled as before.
std::mutex& ConnectionsMutex() {
    static std::mutex mutex;
    return mutex;
}

// Never destroyed: the injector in use closes its connection while the process exits, after
// the function statics made later than it are gone.
std::set<::Display*>& Connections() {
    static auto* connections = new std::set<::Display*>;
    return *connections;
}

XIOErrorHandler& PreviousHandler() {
    static XIOErrorHandler previous = nullptr;
    return previous;
}

int KeepRunningIfOurs(::Display* display) {
    {
        std::lock_guard lock(ConnectionsMutex());
        if (Connections().count(display)) {
            return 0;
        }
    }
    return PreviousHandler()(display);
}

void Register(::Display* display) {
    static std::once_flag installed;
    std::call_once(installed, [] { PreviousHandler() = XSetIOErrorHandler(KeepRunningIfOurs); });
    std::lock_guard lock(ConnectionsMutex());
    Connections().insert(display);
}

void Unregister(::Display* display) {
    std::lock_guard lock(ConnectionsMutex());
    Connections().erase(display);
}

std::int64_t FloorDivide(std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t quotient = numerator / denominator;
    return quotient * denominator > numerator ? quotient - 1 : quotient;
}

} // namespace

std::unique_ptr<X11Injector> X11Injector::Open(std::string& error) {
    ::Display* display = Connect(error);
    return display ? std::unique_ptr<X11Injector>(new X11Injector(display)) : nullptr;
}

bool X11Injector::Available() {
    std::string ignored;
    ::Display* display = Connect(ignored);
    if (display) {
        XCloseDisplay(display);
    }
    return display != nullptr;
}

// When the server goes away the process goes on, and every later call goes to the journal.
X11Injector::X11Injector(::Display* display) : display(display), screen(DefaultScreen(display)) {
    Register(display);
    XSetIOErrorExitHandler(display, &X11Injector::ConnectionLost, this);
}

X11Injector::~X11Injector() {
    XCloseDisplay(display);
    Unregister(display);
}

void X11Injector::ConnectionLost(::Display*, void* self) {
    static_cast<X11Injector*>(self)->lost = true;
}

Injector& X11Injector::Fallback() {
    if (!fallback) {
        Device::Initialise();
        const std::string path = Device::RunDirectory() + "/input.log";
        std::string error;
        fallback = JournalInjector::Open(path, error);
        if (fallback) {
            std::fprintf(stderr,
                         "tapweave: the X display went away; input goes to the journal %s\n",
                         path.c_str());
        } else {
            std::fprintf(stderr,
                         "tapweave: the X display went away and %s; input is written to "
                         "standard error\n",
                         error.c_str());
            fallback = std::make_unique<JournalInjector>(2);
        }
    }
    return *fallback;
}

void X11Injector::Mouse(DWORD flags, LONG dx, LONG dy) {
    const bool absolute = flags & MOUSEEVENTF_ABSOLUTE;
    const bool moves =
        absolute ? (flags & (MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP)) != 0
                 : (flags & MOUSEEVENTF_MOVE) != 0;
    const ScreenState size = absolute && moves ? Display::Current().Screen() : ScreenState{};

    std::lock_guard lock(mutex);
    if (lost) {
        Fallback().Mouse(flags, dx, dy);
        return;
    }
    if (moves && absolute) {
        XTestFakeMotionEvent(display, screen, PixelFromAbsolute(dx, size.width),
                             PixelFromAbsolute(dy, size.height), CurrentTime);
    } else if (moves) {
        XTestFakeRelativeMotionEvent(display, dx, dy, CurrentTime);
    }
    if (flags & MOUSEEVENTF_LEFTDOWN) {
        XTestFakeButtonEvent(display, Button1, True, CurrentTime);
    }
    if (flags & MOUSEEVENTF_LEFTUP) {
        XTestFakeButtonEvent(display, Button1, False, CurrentTime);
    }
    Send();
    if (lost) {
        Fallback().Mouse(flags, dx, dy);
    }
}

void X11Injector::Key(BYTE vk, DWORD flags) {
    const KeySym keysym = KeysymFor(vk);
    if (keysym == NoSymbol) {
        return;
    }
    std::lock_guard lock(mutex);
    if (lost) {
        Fallback().Key(vk, flags);
        return;
    }
    if (const KeyCode keycode = KeycodeFor(keysym)) {
        XTestFakeKeyEvent(display, keycode, (flags & KEYEVENTF_KEYUP) ? False : True, CurrentTime);
        Send();
    }
    if (lost) {
        Fallback().Key(vk, flags);
    }
}

// Sends the requests at once and reads what the server has sent meanwhile: a change of the
// keymap forgets the keycodes looked up so far, and a broken connection shows here rather
// than at the next reply.
void X11Injector::Send() {
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            keycodes.clear();
        }
    }
}

int X11Injector::PixelFromAbsolute(LONG value, int size) {
    if (size <= 0) {
        return 0;
    }
    const std::int64_t factor = std::max(1, 65535 / size);
    const std::int64_t pixel =
        FloorDivide(2 * static_cast<std::int64_t>(value) + factor, 2 * factor);
    return static_cast<int>(std::clamp<std::int64_t>(pixel, 0, size - 1));
}

KeySym X11Injector::KeysymFor(BYTE vk) {
    switch (vk) {
    case VK_LEFT:
        return XK_Left;
    case VK_RIGHT:
        return XK_Right;
    case VK_UP:
        return XK_Up;
    case VK_DOWN:
        return XK_Down;
    case VK_RETURN:
        return XK_Return;
    case VK_F1:
        return XK_F1;
    case VK_F2:
        return XK_F2;
    case VK_APP1:
        return XF86XK_Launch1;
    case VK_APP2:
        return XF86XK_Launch2;
    case VK_APP3:
        return XF86XK_Launch3;
    case VK_APP4:
        return XF86XK_Launch4;
    case VK_APP5:
        return XF86XK_Launch5;
    case VK_APP6:
        return XF86XK_Launch6;
    case VK_LWIN:
        return XK_Super_L;
    default:
        return NoSymbol;
    }
}

// Looked up once per keysym until the keymap changes: a keysym the keymap lacks is bound to a
// spare keycode the first time, and that binding stays for the rest of the session.
KeyCode X11Injector::KeycodeFor(KeySym keysym) {
    if (const auto known = keycodes.find(keysym); known != keycodes.end()) {
        return known->second;
    }
    KeyCode keycode = XKeysymToKeycode(display, keysym);
    if (!keycode) {
        keycode = BindSpareKeycode(keysym);
    }
    keycodes[keysym] = keycode;
    return keycode;
}

// A spare keycode is one the keymap gives no keysym at all; the highest one is taken, as the
// low ones are the ones keyboards have.
KeyCode X11Injector::BindSpareKeycode(KeySym keysym) {
    int minimum = 0, maximum = 0, perKeycode = 0;
    XDisplayKeycodes(display, &minimum, &maximum);
    KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(minimum), maximum - minimum + 1,
                                      &perKeycode);
    if (!map) {
        return 0;
    }
    KeyCode spare = 0;
    for (int keycode = maximum; keycode >= minimum && !spare; --keycode) {
        const KeySym* syms = map + static_cast<std::ptrdiff_t>(keycode - minimum) * perKeycode;
        if (std::all_of(syms, syms + perKeycode, [](KeySym sym) { return sym == NoSymbol; })) {
            spare = static_cast<KeyCode>(keycode);
        }
    }
    XFree(map);
    if (spare) {
        KeySym both[2] = {keysym, keysym};
        XChangeKeyboardMapping(display, spare, 2, both, 1);
        XSync(display, False);
    }
    return spare;
}

} // namespace platform
