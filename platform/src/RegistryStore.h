#pragma once

namespace platform {

// The device registry's SQLite connection, one per process.
class RegistryStore {
public:
    // Closes the connection, so that the next call opens the current device's database.
    static void Reset();
};

} // namespace platform
