// The desktop session the programs run in, as the session tells its programs.
#pragma once

namespace platform {

class Session {
  public:
    // A Wayland session: WAYLAND_DISPLAY is set or XDG_SESSION_TYPE is "wayland". X programs
    // run there under XWayland, and XTest and the X pointer reach only them.
    static bool Wayland();
};

} // namespace platform
