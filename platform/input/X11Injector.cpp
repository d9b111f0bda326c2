#include "X11Injector.h"

#include <X11/XF86keysym.h>
#include <X11/extensions/xtestconst.h>
#include <X11/keysym.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "JournalInjector.h"
#include "XConnection.h"
#include "platform/Device.h"
#include "platform/display.h"
#include "platform/input.h"

namespace platform {

namespace {

// The shared connection, else null with the reason in error. XTest's presence was asked as the
// connection opened; its requests are written through libxcb (XConnection::FakeInput), so that
// injecting loads neither libXtst nor Xlib and asks the server nothing more before the first
// event.
std::shared_ptr<XConnection> Connect(std::string& error) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        error = "no X display (DISPLAY is not set)";
        return nullptr;
    }
    std::shared_ptr<XConnection> connection = XConnection::Shared();
    if (!connection) {
        error = std::string("cannot connect to the X display ") + name;
        return nullptr;
    }
    std::lock_guard lock(connection->Lock());
    if (!connection->HasXTest()) {
        error = std::string("the X display ") + name + " has no XTest extension";
        return nullptr;
    }
    return connection;
}

std::int64_t FloorDivide(std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t quotient = numerator / denominator;
    return quotient * denominator > numerator ? quotient - 1 : quotient;
}

} // namespace

std::unique_ptr<X11Injector> X11Injector::Open(std::string& error) {
    std::shared_ptr<XConnection> connection = Connect(error);
    return connection ? std::unique_ptr<X11Injector>(new X11Injector(std::move(connection)))
                      : nullptr;
}

bool X11Injector::Available() {
    std::string ignored;
    return Connect(ignored) != nullptr;
}

// When the server goes away the process goes on, and every later call goes to the journal.
X11Injector::X11Injector(std::shared_ptr<XConnection> connection)
    : connection(std::move(connection)), keymapSeen(this->connection->KeymapChanges()) {}

X11Injector::~X11Injector() = default;

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
    const ScreenState size = absolute && moves ? Display::Current().Size() : ScreenState{};

    std::lock_guard lock(connection->Lock());
    if (connection->Lost()) {
        Fallback().Mouse(flags, dx, dy);
        return;
    }
    if (moves && absolute) {
        connection->FakeInput(MotionNotify, 0, PixelFromAbsolute(dx, size.width),
                              PixelFromAbsolute(dy, size.height));
    } else if (moves) {
        connection->FakeInput(MotionNotify, 1, dx, dy);
    }
    if (flags & MOUSEEVENTF_LEFTDOWN) {
        connection->FakeInput(ButtonPress, Button1, 0, 0);
    }
    if (flags & MOUSEEVENTF_LEFTUP) {
        connection->FakeInput(ButtonRelease, Button1, 0, 0);
    }
    Send();
    if (connection->Lost()) {
        Fallback().Mouse(flags, dx, dy);
    }
}

void X11Injector::Key(BYTE vk, DWORD flags) {
    const KeySym keysym = KeysymFor(vk);
    if (keysym == NoSymbol) {
        return;
    }
    std::lock_guard lock(connection->Lock());
    if (connection->Lost()) {
        Fallback().Key(vk, flags);
        return;
    }
    if (const KeyCode keycode = KeycodeFor(keysym)) {
        connection->FakeInput((flags & KEYEVENTF_KEYUP) ? KeyRelease : KeyPress, keycode, 0, 0);
        Send();
    }
    if (connection->Lost()) {
        Fallback().Key(vk, flags);
    }
}

// Sends the requests at once and reads what the server has sent meanwhile: a broken connection
// shows here rather than at the next reply.
void X11Injector::Send() {
    connection->Drain();
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
    if (keymapSeen != connection->KeymapChanges()) {
        keymapSeen = connection->KeymapChanges();
        keycodes.clear();
    }
    if (const auto known = keycodes.find(keysym); known != keycodes.end()) {
        return known->second;
    }
    KeyCode keycode =
        static_cast<KeyCode>(connection->KeycodeOf(static_cast<std::uint32_t>(keysym)));
    if (!keycode) {
        keycode =
            static_cast<KeyCode>(connection->BindSpareKeycode(static_cast<std::uint32_t>(keysym)));
    }
    keycodes[keysym] = keycode;
    return keycode;
}

} // namespace platform
