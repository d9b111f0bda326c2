#include "XlibConnection.h"

#include <cstdlib>
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
    std::weak_ptr<XlibConnection> current;
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

struct XlibConnection::Handlers {
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
        static_cast<XlibConnection*>(self)->lost = true;
    }
};

std::shared_ptr<XlibConnection> XlibConnection::Shared() {
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
        // The keyboard extension's state is set up by every XOpenDisplay (two round trips); the
        // desktop's windows need none of it.
        x->XkbIgnoreExtension(True);
    }
    ::Display* display = x ? x->XOpenDisplay(nullptr) : nullptr;
    if (!display) {
        return nullptr;
    }
    std::shared_ptr<XlibConnection> connection(new XlibConnection(*x, display, name));
    std::lock_guard registryLock(registry.mutex);
    registry.current = connection;
    return connection;
}

XlibConnection::XlibConnection(const Xlib& x, ::Display* display, std::string name)
    : x(x), display(display), name(std::move(name)) {
    Registry& registry = Connections();
    std::lock_guard lock(registry.mutex);
    if (!registry.handling) {
        registry.handling = true;
        registry.previousError = x.XSetErrorHandler(Handlers::CountError);
        registry.previousIOError = x.XSetIOErrorHandler(Handlers::KeepRunningIfOurs);
    }
    registry.open.insert(display);
    x.XSetIOErrorExitHandler(display, &Handlers::ConnectionLost, this);
}

XlibConnection::~XlibConnection() {
    x.XCloseDisplay(display);
    Registry& registry = Connections();
    std::lock_guard lock(registry.mutex);
    registry.open.erase(display);
}

} // namespace platform
