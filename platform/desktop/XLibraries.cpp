#include "XLibraries.h"

namespace platform {

const Xlib* Xlib::Calls() {
    static const Xlib* const calls = SystemLibrary::Load<Xlib>(
        "libX11.so.6", "the X display",
        [](SystemLibrary& library, Xlib& table) { TAPWEAVE_XLIB_CALLS(SYSTEM_LIBRARY_TAKE) });
    return calls;
}

const XRes* XRes::Calls() {
    static const XRes* const calls = SystemLibrary::Load<XRes>(
        "libXRes.so.1", "the process of a window that does not name it",
        [](SystemLibrary& library, XRes& table) { TAPWEAVE_XRES_CALLS(SYSTEM_LIBRARY_TAKE) });
    return calls;
}

} // namespace platform
