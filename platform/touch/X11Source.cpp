#include "X11Source.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <cerrno>
#include <poll.h>

namespace {

constexpr int quarters = 4;
// How often, in milliseconds, the pointer is looked at while the button is down.
constexpr int dragInterval = 5;

} // namespace

X11Source::X11Source(Display* display, int extension) : display(display), extension(extension) {}

X11Source::~X11Source() {
    XCloseDisplay(display);
}

std::unique_ptr<X11Source> X11Source::Open(std::string& error) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        error = "no X display to take the pointer from";
        return nullptr;
    }
    int extension = 0, event = 0, failure = 0;
    int major = 2, minor = 2;
    if (!XQueryExtension(display, "XInputExtension", &extension, &event, &failure) ||
        XIQueryVersion(display, &major, &minor) != Success) {
        XCloseDisplay(display);
        error = "the X display has no XInput 2";
        return nullptr;
    }
    // Raw events reach every client that asks on the root, whichever window the pointer is in,
    // and leave the pointer with the desktop.
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawButtonRelease);
    XISetMask(bits, XI_RawMotion);
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    // Once enabling returns, the server sends every press.
    XSync(display, False);
    return std::unique_ptr<X11Source>(new X11Source(display, extension));
}

void X11Source::Run(const Deliver& deliver, const StopSignal& stop) {
    pollfd waits[2] = {{ConnectionNumber(display), POLLIN, 0}, {stop.Descriptor(), POLLIN, 0}};
    bool down = false;
    int lastX = -1, lastY = -1;
    // Delivers the pointer's position now, unless it is a move to where the stylus already is.
    const auto sample = [&](bool press, bool release) {
        Window root = 0, child = 0;
        int x = 0, y = 0, windowX = 0, windowY = 0;
        unsigned buttons = 0;
        XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &windowX,
                      &windowY, &buttons);
        if (!press && !release && x == lastX && y == lastY) {
            return;
        }
        lastX = x;
        lastY = y;
        down = !release;
        deliver(TouchSample{TouchSampleValidFlag | (down ? TouchSampleDownFlag : 0u), x * quarters,
                            y * quarters});
    };
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event{};
            XNextEvent(display, &event);
            XGenericEventCookie* cookie = &event.xcookie;
            if (cookie->type != GenericEvent || cookie->extension != extension ||
                !XGetEventData(display, cookie)) {
                continue;
            }
            const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
            const int type = cookie->evtype;
            const bool buttonOne = raw->detail == Button1;
            const bool press = type == XI_RawButtonPress && buttonOne;
            const bool release = type == XI_RawButtonRelease && buttonOne && down;
            const bool drag = type == XI_RawMotion && down;
            XFreeEventData(display, cookie);
            if (press || release || drag) {
                sample(press, release);
            }
        }
        // Pointers that send no raw motion (XTest's among them) are followed by looking at the
        // pointer while the button is down.
        const int ready = poll(waits, 2, down ? dragInterval : -1);
        if (ready < 0 && errno != EINTR) {
            return;
        }
        if (waits[1].revents) {
            return;
        }
        if (ready == 0 && down) {
            sample(false, false);
        }
    }
}
