#include "XInputClient.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

XInputClient::XInputClient(const std::string& display, const Options& options)
    : thread([this, display, options] { Run(display, options); }) {}

XInputClient::~XInputClient() {
    stop = true;
    thread.join();
}

bool XInputClient::WaitReady(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [this] { return ready || failed; }) && ready;
}

std::vector<XInputClient::Arrival> XInputClient::WaitFor(std::size_t count,
                                                         std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    changed.wait_for(lock, timeout, [&] { return arrivals.size() >= count; });
    return arrivals;
}

void XInputClient::Clear() {
    std::lock_guard lock(mutex);
    arrivals.clear();
}

void XInputClient::Run(const std::string& name, const Options& options) {
    ::Display* display = XOpenDisplay(name.c_str());
    if (!display) {
        Signal([this] { failed = true; });
        return;
    }
    for (const unsigned long keysym : options.unbound) {
        if (const KeyCode keycode = XKeysymToKeycode(display, keysym)) {
            KeySym nothing = NoSymbol;
            XChangeKeyboardMapping(display, keycode, 1, &nothing, 1);
        }
    }
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.event_mask = ButtonPressMask | ButtonReleaseMask | KeyPressMask | KeyReleaseMask |
                            StructureNotifyMask | VisibilityChangeMask;
    const Window window = XCreateWindow(
        display, DefaultRootWindow(display), options.x, options.y,
        static_cast<unsigned>(options.width), static_cast<unsigned>(options.height), 0,
        CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    XMapRaised(display, window);
    for (XEvent event; XNextEvent(display, &event), event.type != MapNotify;) {
    }
    if (options.takeFocus) {
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    }
    XSync(display, False);
    Signal([this] { ready = true; });

    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (!stop) {
        if (!XPending(display)) {
            poll(&connection, 1, 20);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        const auto at = std::chrono::steady_clock::now();
        if (event.type == ButtonPress || event.type == ButtonRelease) {
            Signal([&] {
                arrivals.push_back({event.type, event.xbutton.x, event.xbutton.y, NoSymbol, at});
            });
        } else if (event.type == KeyPress || event.type == KeyRelease) {
            const KeySym keysym = XLookupKeysym(&event.xkey, 0);
            Signal([&] {
                arrivals.push_back({event.type, event.xkey.x, event.xkey.y, keysym, at});
            });
        } else if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
        } else if (event.type == VisibilityNotify &&
                   event.xvisibility.state != VisibilityUnobscured) {
            XRaiseWindow(display, window);
            XFlush(display);
        }
    }
    XCloseDisplay(display);
}

template <typename Change> void XInputClient::Signal(Change change) {
    {
        std::lock_guard lock(mutex);
        change();
    }
    changed.notify_all();
}
