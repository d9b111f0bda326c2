#include "Sqlite.h"

namespace platform {

const Sqlite* Sqlite::Calls() {
    static const Sqlite* const calls = SystemLibrary::Load<Sqlite>(
        "libsqlite3.so.0", "the registry",
        [](SystemLibrary& library, Sqlite& table) { TAPWEAVE_SQLITE_CALLS(SYSTEM_LIBRARY_TAKE) });
    return calls;
}

} // namespace platform
