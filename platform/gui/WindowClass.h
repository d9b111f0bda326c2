// A registered window class: what every window of the class shares.
#pragma once

#include <string>

#include "platform/gui.h"

namespace platform {

class WindowClass {
  public:
    std::wstring name;
    UINT style = 0;
    WNDPROC procedure = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HBRUSH background = nullptr;
    // The system's own classes ("Dialog", "STATIC", ...) cannot be unregistered.
    bool predefined = false;
};

} // namespace platform
