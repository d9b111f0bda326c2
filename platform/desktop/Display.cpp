#include "platform/display.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/Seam.h"

namespace platform {

namespace {

constexpr ScreenState devicePanel{240, 320, DMDO_0};

DWORD RotationFromDegrees(int degrees) {
    switch (degrees) {
    case 0:
        return DMDO_0;
    case 90:
        return DMDO_90;
    case 180:
        return DMDO_180;
    case 270:
        return DMDO_270;
    default:
        return 0xFFFFFFFFu;
    }
}

// The X display's size and RandR rotation. One connection serves the whole process; the state
// is read once and again only after the server reports a change of the screen, so that asking
// costs no round trip to the server while a rotation or a new resolution is still seen at once.
class XDisplay {
  public:
    bool Read(ScreenState& out) {
        std::lock_guard lock(mutex);
        if (!connection && !tried) {
            tried = true;
            Connect();
        }
        if (!connection) {
            return false;
        }
        if (XEventsQueued(connection, QueuedAfterReading) > 0) {
            DrainEvents();
            known = false;
        }
        if (!known) {
            known = Query();
        }
        out = state;
        return known;
    }

  private:
    void Connect() {
        const char* name = std::getenv("DISPLAY");
        if (!name || !*name || !(connection = XOpenDisplay(nullptr))) {
            return;
        }
        int errorBase;
        randr = XRRQueryExtension(connection, &eventBase, &errorBase);
        if (randr) {
            XRRSelectInput(connection, DefaultRootWindow(connection), RRScreenChangeNotifyMask);
        }
    }

    void DrainEvents() {
        while (XPending(connection) > 0) {
            XEvent event;
            XNextEvent(connection, &event);
            if (randr && event.type == eventBase + RRScreenChangeNotify) {
                XRRUpdateConfiguration(&event);
            }
        }
    }

    bool Query() {
        const int screen = DefaultScreen(connection);
        Window ignoredRoot;
        int x, y;
        unsigned width, height, border, depth;
        if (!XGetGeometry(connection, RootWindow(connection, screen), &ignoredRoot, &x, &y, &width,
                          &height, &border, &depth)) {
            return false;
        }
        state = ScreenState{static_cast<int>(width), static_cast<int>(height), DMDO_0};
        if (randr) {
            Rotation current = RR_Rotate_0;
            XRRRotations(connection, screen, &current);
            if (current & RR_Rotate_90) {
                state.rotation = DMDO_90;
            } else if (current & RR_Rotate_180) {
                state.rotation = DMDO_180;
            } else if (current & RR_Rotate_270) {
                state.rotation = DMDO_270;
            }
        }
        return true;
    }

    std::mutex mutex;
    ::Display* connection = nullptr;
    bool tried = false;
    bool randr = false;
    int eventBase = 0;
    bool known = false;
    ScreenState state{};
};

class SystemDisplay : public Display {
  public:
    ScreenState Screen() override {
        ScreenState state{};
        if (const char* text = std::getenv("TAPWEAVE_SCREEN"); text && *text) {
            if (ParseScreen(text, state)) {
                return state;
            }
        }
        if (x.Read(state)) {
            return state;
        }
        return devicePanel;
    }

  private:
    XDisplay x;
};

constinit Seam<Display> seam;

} // namespace

Display& Display::Current() {
    return seam.InstalledOr([] { return SystemDisplay(); });
}

void Display::Set(Display* display) {
    seam.Set(display);
}

bool Display::ParseScreen(const char* text, ScreenState& out) {
    int width = 0, height = 0, degrees = 0, used = 0;
    const int fields = std::sscanf(text, "%dx%d%n@%d%n", &width, &height, &used, &degrees, &used);
    if (fields < 2 || width <= 0 || height <= 0 || text[used] != '\0') {
        return false;
    }
    const DWORD rotation = RotationFromDegrees(fields == 3 ? degrees : 0);
    if (rotation == 0xFFFFFFFFu) {
        return false;
    }
    out = ScreenState{width, height, rotation};
    return true;
}

} // namespace platform

int GetSystemMetrics(int index) {
    const platform::ScreenState screen = platform::Display::Current().Screen();
    switch (index) {
    case SM_CXSCREEN:
        return screen.width;
    case SM_CYSCREEN:
        return screen.height;
    default:
        return 0;
    }
}

LONG ChangeDisplaySettingsEx(LPCWSTR, LPDEVMODEW devMode, HWND, DWORD flags, LPVOID) {
    // Changing the screen is not the system's to do on a desktop; only the query is answered.
    if (!devMode || !(flags & CDS_TEST)) {
        return DISP_CHANGE_FAILED;
    }
    const platform::ScreenState screen = platform::Display::Current().Screen();
    devMode->dmDisplayOrientation = screen.rotation;
    devMode->dmPelsWidth = static_cast<DWORD>(screen.width);
    devMode->dmPelsHeight = static_cast<DWORD>(screen.height);
    return DISP_CHANGE_SUCCESSFUL;
}
