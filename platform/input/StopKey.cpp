#include "platform/StopKey.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <cstdio>

#include "X11Injector.h"
#include "XConnection.h"
#include "XLibraries.h"
#include "platform/Injector.h"
#include "platform/StopRequest.h"

namespace platform {

StopKey::StopKey() {
    // Only a player that injects into the X display has the key; its connection is open by now.
    if (dynamic_cast<X11Injector*>(&Injector::Current())) {
        connection = XConnection::Shared();
    }
    if (connection) {
        StopRequest::SetSource(&StopKey::Read, this);
    }
}

StopKey::~StopKey() {
    if (!connection) {
        return;
    }
    StopRequest::SetSource(nullptr, nullptr);
    std::lock_guard lock(connection->Lock());
    connection->WatchKey(0, nullptr);
    if (key != 0 && !connection->Lost()) {
        ::Display* display = connection->Handle();
        connection->Calls().XUngrabKey(display, key, AnyModifier, DefaultRootWindow(display));
        connection->Drain();
    }
}

int StopKey::Read(void* self) {
    auto& stopKey = *static_cast<StopKey*>(self);
    if (!stopKey.tried) {
        stopKey.tried = true;
        stopKey.Grab();
    }
    XConnection& connection = *stopKey.connection;
    std::lock_guard lock(connection.Lock());
    if (stopKey.key == 0 || connection.Lost()) {
        return -1;
    }
    connection.Drain();
    return ConnectionNumber(connection.Handle());
}

void StopKey::Grab() {
    const Xlib& x = connection->Calls();
    ::Display* display = connection->Handle();
    KeyCode found = 0;
    bool refused = false;
    {
        std::lock_guard lock(connection->Lock());
        if (connection->Lost()) {
            return;
        }
        found = x.XKeysymToKeycode(display, XK_Pause);
        if (found != 0) {
            // Another program may hold the key already; the grab then fails with an error. The
            // errors of what was sent before are waited for first, so that they are not taken
            // for the grab's.
            x.XSync(display, False);
            connection->ClearErrors();
            x.XGrabKey(display, found, AnyModifier, DefaultRootWindow(display), False,
                       GrabModeAsync, GrabModeAsync);
            x.XSync(display, False);
            refused = connection->Errors() > 0;
            if (!refused) {
                key = found;
                connection->WatchKey(key, &StopRequest::Raise);
            }
        }
    }
    if (found == 0 || refused) {
        std::fprintf(stderr,
                     "tapweave-player: the Pause key is %s; stop the playback with "
                     "tapweave-player --stop\n",
                     found == 0 ? "not on this keyboard" : "taken by another program");
    }
}

} // namespace platform
