#include "platform/StopKey.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <cstdint>
#include <cstdio>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "X11Injector.h"
#include "XConnection.h"
#include "XLibraries.h"
#include "platform/Injector.h"
#include "platform/StopRequest.h"

namespace platform {

namespace {

// How long a press that a call of another thread has read waits, at most, to be handed on: such
// a call leaves the connection with nothing to read, so nothing else wakes the watching thread.
constexpr int drainIntervalMs = 50;

} // namespace

StopKey::StopKey() : finished(eventfd(0, EFD_CLOEXEC)) {
    // Only a player that injects into the X display has the key; its connection is open by now.
    if (dynamic_cast<X11Injector*>(&Injector::Current()) && finished >= 0) {
        watcher = std::thread(&StopKey::Watch, this);
    }
}

StopKey::~StopKey() {
    if (watcher.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(finished, &one, sizeof one);
        watcher.join();
    }
    if (finished >= 0) {
        close(finished);
    }
}

void StopKey::Watch() {
    const std::shared_ptr<XConnection> connection = XConnection::Shared();
    if (!connection) {
        return;
    }
    const Xlib& x = connection->Calls();
    ::Display* display = connection->Handle();
    const Window root = DefaultRootWindow(display);
    KeyCode key = 0;
    bool refused = false;
    {
        std::lock_guard lock(connection->Lock());
        key = x.XKeysymToKeycode(display, XK_Pause);
        if (key != 0) {
            // Another program may hold the key already; the grab then fails with an error. The
            // errors of what was sent before are waited for first, so that they are not taken
            // for the grab's.
            x.XSync(display, False);
            connection->ClearErrors();
            x.XGrabKey(display, key, AnyModifier, root, False, GrabModeAsync, GrabModeAsync);
            x.XSync(display, False);
            refused = connection->Errors() > 0;
            if (!refused) {
                connection->WatchKey(key, &StopRequest::Raise);
            }
        }
    }
    if (key == 0 || refused) {
        std::fprintf(stderr,
                     "tapweave-player: the Pause key is %s; stop the playback with "
                     "tapweave-player --stop\n",
                     key == 0 ? "not on this keyboard" : "taken by another program");
        return;
    }
    pollfd watched[2] = {{ConnectionNumber(display), POLLIN, 0}, {finished, POLLIN, 0}};
    while (watched[1].revents == 0 && (watched[0].revents & (POLLHUP | POLLERR)) == 0) {
        {
            std::lock_guard lock(connection->Lock());
            if (connection->Lost()) {
                return;
            }
            connection->Drain();
        }
        poll(watched, 2, drainIntervalMs);
    }
    std::lock_guard lock(connection->Lock());
    connection->WatchKey(0, nullptr);
    if (!connection->Lost()) {
        x.XUngrabKey(display, key, AnyModifier, root);
        connection->Drain();
    }
}

} // namespace platform
