#include "XConnection.h"

#include <X11/Xlibint.h>
#include <X11/extensions/xtestproto.h>
// Xlibint.h's own, which would hide std::min and std::max.
#undef min
#undef max
#include <cstdlib>
#include <cstring>
#include <set>

#include "XLibraries.h"

namespace platform {

namespace {

// The connections of this process: the error handlers are process-wide, so errors of other
// connections (the toolkit's, the touch driver's) go on to the handlers that were there before.
// Never destroyed, as a connection may still close while the process exits.
struct Registry {
    std::mutex mutex;
    std::set<::Display*> open;
    std::weak_ptr<XConnection> current;
    bool handling = false;
    XErrorHandler previousError = nullptr;
    XIOErrorHandler previousIOError = nullptr;
};

Registry& Connections() {
    static auto* registry = new Registry;
    return *registry;
}

bool Ours(::Display* display) {
    Registry& registry = Connections();
    std::lock_guard lock(registry.mutex);
    return registry.open.count(display) != 0;
}

} // namespace

struct XConnection::Handlers {
    // Errors of our connections arrive only inside calls made under their lock.
    static int CountError(::Display* display, XErrorEvent* event) {
        Registry& registry = Connections();
        XErrorHandler previous = nullptr;
        {
            std::lock_guard lock(registry.mutex);
            if (registry.open.count(display)) {
                if (auto current = registry.current.lock();
                    current && current->display == display) {
                    ++current->errors;
                }
                return 0;
            }
            previous = registry.previousError;
        }
        return previous ? previous(display, event) : 0;
    }

    // Xlib's own handler for a broken connection ends the process; for ours it returns, and the
    // connection's exit handler keeps the process running.
    static int KeepRunningIfOurs(::Display* display) {
        if (Ours(display)) {
            return 0;
        }
        XIOErrorHandler previous = nullptr;
        {
            std::lock_guard lock(Connections().mutex);
            previous = Connections().previousIOError;
        }
        return previous ? previous(display) : 0;
    }

    static void ConnectionLost(::Display*, void* self) {
        static_cast<XConnection*>(self)->lost = true;
    }
};

std::shared_ptr<XConnection> XConnection::Shared() {
    static std::mutex opening;
    std::lock_guard lock(opening);
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        return nullptr;
    }
    Registry& registry = Connections();
    {
        std::lock_guard registryLock(registry.mutex);
        if (auto current = registry.current.lock();
            current && !current->Lost() && current->name == name) {
            return current;
        }
    }
    const Xlib* x = Xlib::Calls();
    if (x) {
        // The keyboard extension's state is set up by every XOpenDisplay (two round trips) and
        // then fetched whole by the first keysym looked up; the platform needs only the core
        // keymap, which injection binds and the stop key looks up.
        x->XkbIgnoreExtension(True);
    }
    ::Display* display = x ? x->XOpenDisplay(nullptr) : nullptr;
    if (!display) {
        return nullptr;
    }
    std::shared_ptr<XConnection> connection(new XConnection(*x, display, name));
    std::lock_guard registryLock(registry.mutex);
    registry.current = connection;
    return connection;
}

XConnection::XConnection(const Xlib& x, ::Display* display, std::string name)
    : x(x), display(display), name(std::move(name)),
      width(DisplayWidth(display, DefaultScreen(display))),
      height(DisplayHeight(display, DefaultScreen(display))) {
    Registry& registry = Connections();
    std::lock_guard lock(registry.mutex);
    if (!registry.handling) {
        registry.handling = true;
        registry.previousError = x.XSetErrorHandler(Handlers::CountError);
        registry.previousIOError = x.XSetIOErrorHandler(Handlers::KeepRunningIfOurs);
    }
    registry.open.insert(display);
    x.XSetIOErrorExitHandler(display, &Handlers::ConnectionLost, this);
    // The root window's new size arrives with every change of the screen's size or of a
    // rotation by a quarter turn.
    x.XSelectInput(display, DefaultRootWindow(display), StructureNotifyMask);
}

XConnection::~XConnection() {
    x.XCloseDisplay(display);
    Registry& registry = Connections();
    std::lock_guard lock(registry.mutex);
    registry.open.erase(display);
}

const XRandr* XConnection::WatchScreen() {
    if (!watching) {
        watching = true;
        int errorBase = 0;
        randr = XRandr::Calls();
        if (randr && randr->XRRQueryExtension(display, &screenEventBase, &errorBase)) {
            randr->XRRSelectInput(display, DefaultRootWindow(display), RRScreenChangeNotifyMask);
        } else {
            randr = nullptr;
        }
    }
    return randr;
}

// Written into Xlib's buffer as libXtst's XTestFake*Event writes it, with no delay, so that
// injecting loads no library of its own.
void XConnection::FakeInput(int xtest, int type, int detail, int x, int y) {
    LockDisplay(display);
    auto* request = static_cast<xXTestFakeInputReq*>(
        this->x._XGetRequest(display, static_cast<CARD8>(xtest), sz_xXTestFakeInputReq));
    std::memset(request, 0, sz_xXTestFakeInputReq);
    request->reqType = static_cast<CARD8>(xtest);
    request->xtReqType = X_XTestFakeInput;
    request->length = sz_xXTestFakeInputReq >> 2;
    request->type = static_cast<BYTE>(type);
    request->detail = static_cast<BYTE>(detail);
    request->time = CurrentTime;
    if (type == MotionNotify) {
        request->root = detail ? None : static_cast<CARD32>(DefaultRootWindow(display));
        request->rootX = static_cast<INT16>(x);
        request->rootY = static_cast<INT16>(y);
    }
    UnlockDisplay(display);
}

void XConnection::WatchKey(unsigned key, void (*pressed)()) {
    watchedKey = key;
    keyPressed = pressed;
}

void XConnection::Drain() {
    while (!lost && x.XPending(display) > 0) {
        XEvent event;
        x.XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            x.XRefreshKeyboardMapping(&event.xmapping);
            ++keymapChanges;
        } else if (event.type == ConfigureNotify &&
                   event.xconfigure.window == DefaultRootWindow(display)) {
            width = event.xconfigure.width;
            height = event.xconfigure.height;
            ++screenChanges;
        } else if (randr && event.type == screenEventBase + RRScreenChangeNotify) {
            randr->XRRUpdateConfiguration(&event);
            ++screenChanges;
        } else if (event.type == KeyPress && keyPressed && event.xkey.keycode == watchedKey) {
            keyPressed();
        }
    }
}

} // namespace platform
