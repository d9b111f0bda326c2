#include "platform/Session.h"

#include <cstdlib>
#include <string_view>

namespace platform {

bool Session::Wayland() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return (display && *display) || (type && std::string_view(type) == "wayland");
}

} // namespace platform
