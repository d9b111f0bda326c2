#include "platform/StopKey.h"

#include <X11/keysym.h>
#include <cstdio>

#include "X11Injector.h"
#include "XConnection.h"
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
        connection->UngrabKey(key);
        connection->Drain();
    }
}

int StopKey::Read(void* self) {
    auto& stopKey = *static_cast<StopKey*>(self);
    XConnection& connection = *stopKey.connection;
    std::lock_guard lock(connection.Lock());
    if (!stopKey.tried) {
        stopKey.tried = true;
        stopKey.Grab();
    }
    if (stopKey.key == 0 || connection.Lost()) {
        return -1;
    }
    connection.Drain();
    return connection.Descriptor();
}

void StopKey::Grab() {
    if (connection->Lost()) {
        return;
    }
    const unsigned found = connection->KeycodeOf(XK_Pause);
    // Another program may hold the key already; the server then refuses the grab.
    if (found != 0 && connection->GrabKey(found)) {
        key = found;
        connection->WatchKey(key, &StopRequest::Raise);
        return;
    }
    std::fprintf(stderr,
                 "tapweave-player: the Pause key is %s; stop the playback with "
                 "tapweave-player --stop\n",
                 found == 0 ? "not on this keyboard" : "taken by another program");
}

} // namespace platform
