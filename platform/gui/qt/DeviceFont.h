// The Qt font that shows text in a device font (a LOGFONTW made with CreateFontIndirectW).
#pragma once

#include <QFont>

#include "platform/gdi.h"

namespace platform {

class DeviceFont {
  public:
    // The font for a control's WM_SETFONT font; the system font for null or an unknown font.
    static QFont Of(HFONT font);
    // The font a LOGFONTW describes: its face (a sans-serif face when the machine lacks it),
    // its height in pixels, its weight, italic, underline and strike-out.
    static QFont FromLogFont(const LOGFONTW& description);
    // The device's system font: Tahoma, 8 points on its 96 dpi screen.
    static QFont System();
};

} // namespace platform
