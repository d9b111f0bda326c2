// libxcb as the shared device layer reaches it: loaded by the first call that needs the display.
#include "XLibraries.h"

namespace platform {

const Xcb* Xcb::Calls() {
    static const Xcb* const calls = SystemLibrary::Load<Xcb>(
        "libxcb.so.1", "the X display",
        [](SystemLibrary& library, Xcb& table) { TAPWEAVE_XCB_CALLS(SYSTEM_LIBRARY_TAKE) });
    return calls;
}

} // namespace platform
