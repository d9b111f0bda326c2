#include "platform/display.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

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

// The X display's size and RandR rotation, read anew on every call so that a rotation or a
// change of resolution is seen at once. One connection serves the whole process.
class XDisplay {
public:
    bool Read(ScreenState& out) {
        std::lock_guard lock(mutex);
        if (!connection && !tried) {
            tried = true;
            if (const char* name = std::getenv("DISPLAY"); name && *name) {
                connection = XOpenDisplay(nullptr);
            }
        }
        if (!connection) {
            return false;
        }
        const int screen = DefaultScreen(connection);
        Window root = RootWindow(connection, screen);
        Window ignoredRoot;
        int x, y;
        unsigned width, height, border, depth;
        if (!XGetGeometry(connection, root, &ignoredRoot, &x, &y, &width, &height, &border,
                          &depth)) {
            return false;
        }
        out.width = static_cast<int>(width);
        out.height = static_cast<int>(height);
        out.rotation = DMDO_0;
        int eventBase, errorBase;
        if (XRRQueryExtension(connection, &eventBase, &errorBase)) {
            Rotation current = RR_Rotate_0;
            XRRRotations(connection, screen, &current);
            if (current & RR_Rotate_90) {
                out.rotation = DMDO_90;
            } else if (current & RR_Rotate_180) {
                out.rotation = DMDO_180;
            } else if (current & RR_Rotate_270) {
                out.rotation = DMDO_270;
            }
        }
        return true;
    }

private:
    std::mutex mutex;
    ::Display* connection = nullptr;
    bool tried = false;
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

std::atomic<Display*>& Override() {
    static std::atomic<Display*> display{nullptr};
    return display;
}

} // namespace

Display& Display::Current() {
    if (Display* display = Override().load(std::memory_order_acquire)) {
        return *display;
    }
    static SystemDisplay real;
    return real;
}

void Display::Set(Display* display) { Override().store(display, std::memory_order_release); }

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
