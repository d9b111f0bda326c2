#include "GetDisplayOrientation.h"

#include "platform/display.h"

DWORD GetDisplayOrientation() {
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    mode.dmFields = DM_DISPLAYORIENTATION;
    ChangeDisplaySettingsEx(nullptr, &mode, nullptr, CDS_TEST, nullptr);
    return mode.dmDisplayOrientation;
}
