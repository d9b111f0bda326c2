// libxcb as a program that has the device layer built in reaches it: linked into the program
// itself, so that the dynamic loader neither opens it nor binds its calls at the first tap.
#include "XLibraries.h"

namespace platform {

const Xcb* Xcb::Calls() {
#define TAPWEAVE_XCB_LINKED(name) table.name = &::name;
    static const Xcb* const calls = [] {
        static Xcb table;
        TAPWEAVE_XCB_CALLS(TAPWEAVE_XCB_LINKED)
        return &table;
    }();
#undef TAPWEAVE_XCB_LINKED
    return calls;
}

} // namespace platform
