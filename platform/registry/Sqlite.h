// SQLite's calls as the registry makes them, taken from libsqlite3 by the registry's first call,
// so that a program that never reads the registry never loads SQLite.
#pragma once

#include <sqlite3.h>

#include "SystemLibrary.h"

#define TAPWEAVE_SQLITE_CALLS(CALL)                                                                \
    CALL(sqlite3_open_v2)                                                                          \
    CALL(sqlite3_close_v2)                                                                         \
    CALL(sqlite3_busy_timeout)                                                                     \
    CALL(sqlite3_exec)                                                                             \
    CALL(sqlite3_get_autocommit)                                                                   \
    CALL(sqlite3_last_insert_rowid)                                                                \
    CALL(sqlite3_prepare_v2)                                                                       \
    CALL(sqlite3_finalize)                                                                         \
    CALL(sqlite3_bind_int64)                                                                       \
    CALL(sqlite3_bind_text64)                                                                      \
    CALL(sqlite3_bind_zeroblob)                                                                    \
    CALL(sqlite3_bind_blob64)                                                                      \
    CALL(sqlite3_step)                                                                             \
    CALL(sqlite3_column_int64)                                                                     \
    CALL(sqlite3_column_text)                                                                      \
    CALL(sqlite3_column_bytes)                                                                     \
    CALL(sqlite3_column_blob)

namespace platform {

struct Sqlite {
    TAPWEAVE_SQLITE_CALLS(SYSTEM_LIBRARY_CALL)

    // Loaded on the first call; null when libsqlite3 cannot be loaded, and every registry call
    // then fails as a registry that cannot be opened does.
    static const Sqlite* Calls();
};

} // namespace platform
