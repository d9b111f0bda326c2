#include "platform/display.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "XConnection.h"
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

// RandR's rotations: 1, 2, 4 and 8 for 0, 90, 180 and 270 degrees.
DWORD RotationFromRandr(unsigned rotation) {
    if (rotation & 2) {
        return DMDO_90;
    }
    if (rotation & 4) {
        return DMDO_180;
    }
    if (rotation & 8) {
        return DMDO_270;
    }
    return DMDO_0;
}

// The X display's size and RandR rotation, read on the process's shared connection, which
// follows both from what the server reports, so reading them costs nothing. The rotation is
// asked of the server once, when a caller first wants it.
class XDisplay {
  public:
    bool Read(ScreenState& out, bool withRotation) {
        std::lock_guard lock(mutex);
        if (!tried) {
            tried = true;
            connection = XConnection::Shared();
        }
        if (!connection) {
            return false;
        }
        std::lock_guard connectionLock(connection->Lock());
        if (withRotation) {
            connection->WatchScreen();
        }
        // A server that has gone keeps the last screen it showed.
        if (!connection->Lost()) {
            connection->Drain();
        }
        out = ScreenState{connection->Width(), connection->Height(),
                          RotationFromRandr(connection->Rotation())};
        return true;
    }

  private:
    std::mutex mutex;
    bool tried = false;
    std::shared_ptr<XConnection> connection;
};

class SystemDisplay : public Display {
  public:
    ScreenState Screen() override { return Read(true); }
    ScreenState Size() override { return Read(false); }

  private:
    ScreenState Read(bool withRotation) {
        ScreenState state{};
        if (const char* text = std::getenv("TAPWEAVE_SCREEN"); text && *text) {
            if (ParseScreen(text, state)) {
                return state;
            }
        }
        if (x.Read(state, withRotation)) {
            return state;
        }
        return devicePanel;
    }

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
    const platform::ScreenState screen = platform::Display::Current().Size();
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
