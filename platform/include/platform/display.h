// The screen: its size and rotation.
#pragma once

#include "platform/types.h"

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1

#define DM_DISPLAYORIENTATION 0x00800000u
#define DMDO_0 0u
#define DMDO_90 1u
#define DMDO_180 2u
#define DMDO_270 4u
#define CDS_TEST 0x2u
#define DISP_CHANGE_SUCCESSFUL 0L
#define DISP_CHANGE_FAILED (-1L)

struct DEVMODEW {
    WCHAR dmDeviceName[32];
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    DWORD dmDisplayOrientation;
};
using LPDEVMODEW = DEVMODEW*;

int GetSystemMetrics(int index);
// Only the query the system makes: CDS_TEST with DM_DISPLAYORIENTATION fills
// dmDisplayOrientation (and dmPelsWidth, dmPelsHeight) with the current state.
LONG ChangeDisplaySettingsEx(LPCWSTR deviceName, LPDEVMODEW devMode, HWND hwnd, DWORD flags,
                             LPVOID param);

namespace platform {

struct ScreenState {
    int width;
    int height;
    DWORD rotation; // DMDO_0, DMDO_90, DMDO_180 or DMDO_270
};

// Where the screen's size and rotation come from: TAPWEAVE_SCREEN, the X display, or the
// device's own 240x320 panel. Unit tests put a fake in its place.
class Display {
  public:
    virtual ~Display() = default;
    virtual ScreenState Screen() = 0;
    // The width and height alone, for callers that never look at the rotation: on the X display
    // they cost no RandR, which Screen loads and asks.
    virtual ScreenState Size() { return Screen(); }

    static Display& Current();
    static void Set(Display* display);
    // "WIDTHxHEIGHT[@ROTATION]" with ROTATION 0, 90, 180 or 270; false when malformed.
    static bool ParseScreen(const char* text, ScreenState& out);
};

} // namespace platform
