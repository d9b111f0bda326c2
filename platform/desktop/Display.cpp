#include "platform/display.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "XConnection.h"
#include "XLibraries.h"
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

// The X display's size and RandR rotation, read on the process's shared connection. The state
// is read once and again only after the server reports a change of the screen, so that asking
// costs no round trip to the server while a rotation or a new resolution is still seen at once.
// The size is the one the connection's set-up reported, which Xlib keeps current as changes
// arrive; only the rotation is asked of the server.
class XDisplay {
  public:
    bool Read(ScreenState& out) {
        std::lock_guard lock(mutex);
        if (!tried) {
            tried = true;
            if ((connection = XConnection::Shared())) {
                std::lock_guard connectionLock(connection->Lock());
                randr = connection->WatchScreen();
            }
        }
        if (!connection) {
            return false;
        }
        std::lock_guard connectionLock(connection->Lock());
        // A server that has gone keeps the last screen it showed.
        if (!connection->Lost()) {
            connection->Drain();
            if (!known || changesSeen != connection->ScreenChanges()) {
                changesSeen = connection->ScreenChanges();
                Query();
                known = true;
            }
        }
        out = state;
        return known;
    }

  private:
    void Query() {
        ::Display* display = connection->Handle();
        const int screen = DefaultScreen(display);
        state = ScreenState{DisplayWidth(display, screen), DisplayHeight(display, screen), DMDO_0};
        if (randr) {
            Rotation current = RR_Rotate_0;
            randr->XRRRotations(display, screen, &current);
            if (current & RR_Rotate_90) {
                state.rotation = DMDO_90;
            } else if (current & RR_Rotate_180) {
                state.rotation = DMDO_180;
            } else if (current & RR_Rotate_270) {
                state.rotation = DMDO_270;
            }
        }
    }

    std::mutex mutex;
    bool tried = false;
    std::shared_ptr<XConnection> connection;
    const XRandr* randr = nullptr;
    // The rest under the connection's lock.
    bool known = false;
    unsigned changesSeen = 0;
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
