#include "platform/StopKey.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "X11Injector.h"
#include "XLibraries.h"
#include "platform/Injector.h"
#include "platform/StopRequest.h"

namespace platform {

namespace {

// Another program may hold the key already; the grab then fails with an error that Xlib's own
// handler would answer by ending the process. Errors of the grab's connection are noted here;
// those of any other connection go to the handler that was in place.
std::atomic<::Display*> grabbing{nullptr};
std::atomic<bool> grabRefused{false};
std::atomic<XErrorHandler> previousHandler{nullptr};

int NoteError(::Display* display, XErrorEvent* event) {
    if (display == grabbing.load()) {
        grabRefused = true;
        return 0;
    }
    const XErrorHandler previous = previousHandler.load();
    return previous ? previous(display, event) : 0;
}

} // namespace

StopKey::StopKey() : finished(eventfd(0, EFD_CLOEXEC)) {
    // Put in place here, on the thread that makes every other X connection of the player, so
    // that no other handler is being put in place at the same moment.
    // Only a player that injects into the X display loads Xlib for its key.
    if (!dynamic_cast<X11Injector*>(&Injector::Current())) {
        return;
    }
    const Xlib* x = Xlib::Calls();
    if (x && !previousHandler.load()) {
        previousHandler = x->XSetErrorHandler(NoteError);
    }
    if (finished >= 0) {
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
    const Xlib* x = Xlib::Calls();
    if (!x) {
        return;
    }
    // A connection of its own, watched on this thread while the player's own waits for nothing.
    ::Display* display = x->XOpenDisplay(nullptr);
    if (!display) {
        return;
    }
    const Window root = DefaultRootWindow(display);
    const KeyCode key = x->XKeysymToKeycode(display, XK_Pause);
    grabbing = display;
    grabRefused = false;
    if (key != 0) {
        x->XGrabKey(display, key, AnyModifier, root, False, GrabModeAsync, GrabModeAsync);
        x->XSync(display, False);
    }
    if (key == 0 || grabRefused) {
        std::fprintf(stderr,
                     "tapweave-player: the Pause key is %s; stop the playback with "
                     "tapweave-player --stop\n",
                     key == 0 ? "not on this keyboard" : "taken by another program");
    } else {
        pollfd watched[2] = {{ConnectionNumber(display), POLLIN, 0}, {finished, POLLIN, 0}};
        while (watched[1].revents == 0 && (watched[0].revents & (POLLHUP | POLLERR)) == 0) {
            while (x->XPending(display) > 0) {
                XEvent event;
                x->XNextEvent(display, &event);
                if (event.type == KeyPress && event.xkey.keycode == key) {
                    StopRequest::Raise();
                }
            }
            poll(watched, 2, -1);
        }
        x->XUngrabKey(display, key, AnyModifier, root);
    }
    grabbing = nullptr;
    x->XCloseDisplay(display);
}

} // namespace platform
