#include "RegistryStore.h"

#include <locale.h>
#include <unistd.h>
#include <wctype.h>

#include <chrono>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <string_view>
#include <thread>

#include "DeviceReset.h"
#include "RegistryKeys.h"
#include "RegistryStatement.h"
#include "Sqlite.h"
#include "platform/Device.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace platform {

namespace {

// How long a call waits for another process's write before it gives up with an error.
constexpr int busyTimeoutMs = 5000;
// The longest names the device accepts, in characters.
constexpr std::size_t maxKeyNameLength = 255;
constexpr std::size_t maxValueNameLength = 16383;

// The settings every connection makes for itself (neither is kept in the file). synchronous=FULL
// syncs the log at each commit, so a write is on disk when its call returns and RegFlushKey has
// nothing left to wait for.
constexpr const char* connectionSettings = R"(
PRAGMA synchronous = FULL;
PRAGMA foreign_keys = ON;
)";

// The database's layout number, kept in the file's user_version once the set-up below has
// committed (its last statement writes it); a file that has it needs no set-up, so a connection
// opens with one header read.
constexpr int layoutVersion = 1;

// WAL lets every process read while one writes, and stays set in the file. AUTOINCREMENT never
// gives a deleted key's number to a new key, so a handle to a deleted key never reaches another
// one. Names are kept as given, and case-folded for lookup; REG_SZ data is UTF-8 text,
// REG_DWORD an integer, every other type a blob.
constexpr const char* schema = R"(
PRAGMA journal_mode = WAL;
BEGIN IMMEDIATE;
CREATE TABLE IF NOT EXISTS registry_keys (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER REFERENCES registry_keys (id),
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    UNIQUE (parent, folded));
CREATE TABLE IF NOT EXISTS registry_values (
    key INTEGER NOT NULL REFERENCES registry_keys (id),
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    type INTEGER NOT NULL,
    data,
    PRIMARY KEY (key, folded)) WITHOUT ROWID;
INSERT OR IGNORE INTO registry_keys (id, parent, name, folded) VALUES
    (1, NULL, 'HKEY_CLASSES_ROOT', 'hkey_classes_root'),
    (2, NULL, 'HKEY_CURRENT_USER', 'hkey_current_user'),
    (3, NULL, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine');
PRAGMA user_version = 1;
COMMIT;
)";

// Deleting key ?1 with everything below it: its values, then its keys.
constexpr const char* deleteTree[] = {
    "WITH RECURSIVE tree (id) AS (SELECT ?1 UNION SELECT registry_keys.id FROM registry_keys "
    "JOIN tree ON registry_keys.parent = tree.id) "
    "DELETE FROM registry_values WHERE key IN (SELECT id FROM tree)",
    "WITH RECURSIVE tree (id) AS (SELECT ?1 UNION SELECT registry_keys.id FROM registry_keys "
    "JOIN tree ON registry_keys.parent = tree.id) "
    "DELETE FROM registry_keys WHERE id IN (SELECT id FROM tree)"};

struct Connection {
    std::mutex mutex;
    sqlite3* db = nullptr;
    pid_t owner = 0;
};

// Never destroyed, so that a call from another library's exit-time destructor still finds it.
Connection& TheConnection() {
    static Connection* connection = new Connection;
    return *connection;
}

LONG ErrorOf(int result) {
    switch (result & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return ERROR_SUCCESS;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_READONLY:
        return ERROR_CANTOPEN;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_FULL:
        return ERROR_CANTWRITE;
    case SQLITE_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_TOOBIG:
        return ERROR_INVALID_PARAMETER;
    default:
        return ERROR_BADDB;
    }
}

// A lookup's outcome: found, ERROR_FILE_NOT_FOUND, or the database's error.
LONG Found(int result) {
    return result == SQLITE_ROW    ? ERROR_SUCCESS
           : result == SQLITE_DONE ? ERROR_FILE_NOT_FOUND
                                   : ErrorOf(result);
}

LONG Exec(sqlite3* db, const char* sql) {
    return ErrorOf(Sqlite::Calls()->sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

// Two processes setting up a new database at the same moment take their locks in an order that
// SQLite will not wait on (the wait could deadlock): it answers busy at once. The set-up is then
// tried again until the busy timeout has passed.
int SetUp(sqlite3* db) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(busyTimeoutMs);
    for (;;) {
        const int result = Sqlite::Calls()->sqlite3_exec(db, schema, nullptr, nullptr, nullptr);
        if (result != SQLITE_BUSY || std::chrono::steady_clock::now() >= deadline) {
            return result;
        }
        if (!Sqlite::Calls()->sqlite3_get_autocommit(db)) {
            Sqlite::Calls()->sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// SQLITE_OK when the file holds the current layout, SQLITE_DONE when it still needs the set-up
// (a new or empty file, or one made before the layout was numbered), or the error of a file
// that is no database.
int IsSetUp(sqlite3* db) {
    RegistryStatement statement(db, "PRAGMA user_version");
    const int result = statement.Step();
    if (result != SQLITE_ROW) {
        return result;
    }
    return statement.Integer(0) == layoutVersion ? SQLITE_OK : SQLITE_DONE;
}

LONG Open(Connection& connection) {
    if (!Sqlite::Calls() || !Device::Initialise()) {
        return ERROR_CANTOPEN;
    }
    sqlite3* db = nullptr;
    int result = Sqlite::Calls()->sqlite3_open_v2(
        Device::RegistryFile().c_str(), &db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (result == SQLITE_OK) {
        result = Sqlite::Calls()->sqlite3_busy_timeout(db, busyTimeoutMs);
    }
    if (result == SQLITE_OK) {
        result = Sqlite::Calls()->sqlite3_exec(db, connectionSettings, nullptr, nullptr, nullptr);
    }
    if (result == SQLITE_OK) {
        result = IsSetUp(db);
        if (result == SQLITE_DONE) {
            result = SetUp(db);
        }
    }
    if (result != SQLITE_OK) {
        Sqlite::Calls()->sqlite3_close_v2(db);
        return ErrorOf(result);
    }
    connection.db = db;
    connection.owner = getpid();
    return ERROR_SUCCESS;
}

// Names compare by their lower-case form, character by character, with the case mapping of
// the UTF-8 locale whatever locale the program has chosen since.
std::wstring Folded(std::wstring_view name) {
    static const locale_t locale = [] {
        const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
        return utf8 ? utf8 : newlocale(LC_CTYPE_MASK, "en_US.UTF-8", locale_t{});
    }();
    std::wstring folded(name);
    for (wchar_t& c : folded) {
        c = static_cast<wchar_t>(locale ? towlower_l(c, locale) : towlower(c));
    }
    return folded;
}

struct Name {
    std::string given;
    std::string folded;
};

LONG ToName(std::wstring_view name, std::size_t maxLength, Name& stored) {
    // No text of the device holds a character that is no Unicode scalar value.
    if (name.size() > maxLength || !IsUnicodeText(name)) {
        return ERROR_INVALID_PARAMETER;
    }
    stored.given = Utf8(name);
    stored.folded = Utf8(Folded(name));
    return ERROR_SUCCESS;
}

LONG ToPath(const std::vector<std::wstring>& path, std::vector<Name>& names) {
    names.resize(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (const LONG error = ToName(path[i], maxKeyNameLength, names[i]);
            error != ERROR_SUCCESS) {
            return error;
        }
    }
    return ERROR_SUCCESS;
}

// Value data as the database keeps it.
struct Stored {
    DWORD type = REG_NONE;
    std::string text;
    DWORD number = 0;
    const BYTE* bytes = nullptr;
    std::size_t size = 0;
};

LONG ToStored(DWORD type, const BYTE* data, DWORD size, Stored& stored) {
    stored.type = type;
    if (type == REG_SZ) {
        if (size % sizeof(wchar_t) != 0) {
            return ERROR_INVALID_PARAMETER;
        }
        std::wstring text(size / sizeof(wchar_t), L'\0');
        if (size > 0) {
            std::memcpy(text.data(), data, size);
        }
        // The text ends at its first NUL, as a string of the device does; none need be there.
        text.resize(std::wcslen(text.c_str()));
        if (!IsUnicodeText(text)) {
            return ERROR_INVALID_PARAMETER;
        }
        stored.text = Utf8(text);
        return ERROR_SUCCESS;
    }
    if (type == REG_DWORD) {
        if (size < sizeof stored.number) {
            return ERROR_INVALID_PARAMETER;
        }
        std::memcpy(&stored.number, data, sizeof stored.number);
        return ERROR_SUCCESS;
    }
    stored.bytes = data;
    stored.size = size;
    return ERROR_SUCCESS;
}

void BindStored(RegistryStatement& statement, int index, const Stored& stored) {
    if (stored.type == REG_SZ) {
        statement.Bind(index, stored.text);
    } else if (stored.type == REG_DWORD) {
        statement.Bind(index, static_cast<std::int64_t>(stored.number));
    } else {
        statement.BindBlob(index, stored.bytes, stored.size);
    }
}

// Value data as the Reg* calls hand it out.
std::vector<BYTE> Outward(DWORD type, const RegistryStatement& statement, int column) {
    if (type == REG_SZ) {
        const std::wstring text = FromUtf8(statement.Text(column));
        std::vector<BYTE> data((text.size() + 1) * sizeof(wchar_t));
        std::memcpy(data.data(), text.c_str(), data.size());
        return data;
    }
    if (type == REG_DWORD) {
        const auto number = static_cast<DWORD>(statement.Integer(column));
        std::vector<BYTE> data(sizeof number);
        std::memcpy(data.data(), &number, sizeof number);
        return data;
    }
    const std::string_view bytes = statement.Blob(column);
    return std::vector<BYTE>(bytes.begin(), bytes.end());
}

bool IsRoot(RegistryStore::Key key) {
    return key >= RegistryStore::classesRoot && key <= RegistryStore::localMachine;
}

LONG KeyExists(sqlite3* db, RegistryStore::Key key) {
    RegistryStatement statement(db, "SELECT 1 FROM registry_keys WHERE id = ?1");
    statement.Bind(1, key);
    return Found(statement.Step());
}

LONG FindChild(sqlite3* db, RegistryStore::Key parent, const Name& name,
               RegistryStore::Key& child) {
    RegistryStatement statement(db,
                                "SELECT id FROM registry_keys WHERE parent = ?1 AND folded = ?2");
    statement.Bind(1, parent);
    statement.Bind(2, name.folded);
    const LONG error = Found(statement.Step());
    if (error == ERROR_SUCCESS) {
        child = statement.Integer(0);
    }
    return error;
}

LONG AddChild(sqlite3* db, RegistryStore::Key parent, const Name& name, RegistryStore::Key& child) {
    RegistryStatement statement(
        db, "INSERT INTO registry_keys (parent, name, folded) VALUES (?1, ?2, ?3)");
    statement.Bind(1, parent);
    statement.Bind(2, name.given);
    statement.Bind(3, name.folded);
    const LONG error = ErrorOf(statement.Step());
    if (error == ERROR_SUCCESS) {
        child = Sqlite::Calls()->sqlite3_last_insert_rowid(db);
    }
    return error;
}

LONG Resolve(sqlite3* db, RegistryStore::Key parent, const std::vector<Name>& path,
             RegistryStore::Key& key) {
    key = parent;
    if (path.empty()) {
        return KeyExists(db, parent);
    }
    for (const Name& name : path) {
        if (const LONG error = FindChild(db, key, name, key); error != ERROR_SUCCESS) {
            return error;
        }
    }
    return ERROR_SUCCESS;
}

// A fresh device has a database of its own.
const DeviceReset forgetConnection(&RegistryStore::Reset);

} // namespace

void RegistryStore::Reset() {
    Connection& connection = TheConnection();
    {
        std::lock_guard lock(connection.mutex);
        if (connection.db && connection.owner == getpid()) {
            Sqlite::Calls()->sqlite3_close_v2(connection.db);
        }
        connection.db = nullptr;
    }
    RegistryKeys::Clear();
}

LONG RegistryStore::Run(bool write, const std::function<LONG(sqlite3*)>& work) {
    Connection& connection = TheConnection();
    std::lock_guard lock(connection.mutex);
    if (connection.db && connection.owner != getpid()) {
        // A child made by fork() holds a copy of its parent's connection, which SQLite lets it
        // neither use nor close: the child leaves the copy alone and opens its own.
        connection.db = nullptr;
    }
    if (!connection.db) {
        if (const LONG error = Open(connection); error != ERROR_SUCCESS) {
            return error;
        }
    }
    // A writer takes the write lock at once, so that it waits for another process's write
    // instead of failing when its snapshot turns out to be stale.
    LONG error = Exec(connection.db, write ? "BEGIN IMMEDIATE" : "BEGIN");
    if (error == ERROR_SUCCESS) {
        error = work(connection.db);
        if (error == ERROR_SUCCESS) {
            error = Exec(connection.db, "COMMIT");
        }
        if (error != ERROR_SUCCESS) {
            Exec(connection.db, "ROLLBACK");
        }
    }
    if (error == ERROR_BADDB || error == ERROR_CANTOPEN) {
        // The file may be repaired or replaced: the next call opens it again.
        Sqlite::Calls()->sqlite3_close_v2(connection.db);
        connection.db = nullptr;
    }
    return error;
}

LONG RegistryStore::OpenKey(Key parent, const std::vector<std::wstring>& path, Key& key) {
    std::vector<Name> names;
    if (const LONG error = ToPath(path, names); error != ERROR_SUCCESS) {
        return error;
    }
    return Run(false, [&](sqlite3* db) -> LONG { return Resolve(db, parent, names, key); });
}

LONG RegistryStore::CreateKey(Key parent, const std::vector<std::wstring>& path, Key& key,
                              bool& created) {
    std::vector<Name> names;
    if (const LONG error = ToPath(path, names); error != ERROR_SUCCESS) {
        return error;
    }
    return Run(true, [&](sqlite3* db) -> LONG {
        created = false;
        key = parent;
        LONG error = KeyExists(db, parent);
        for (auto name = names.begin(); error == ERROR_SUCCESS && name != names.end(); ++name) {
            error = FindChild(db, key, *name, key);
            if (error == ERROR_FILE_NOT_FOUND) {
                error = AddChild(db, key, *name, key);
                created = true;
            }
        }
        return error;
    });
}

LONG RegistryStore::DeleteKey(Key parent, const std::vector<std::wstring>& path) {
    std::vector<Name> names;
    if (const LONG error = ToPath(path, names); error != ERROR_SUCCESS) {
        return error;
    }
    return Run(true, [&](sqlite3* db) -> LONG {
        Key key = parent;
        if (const LONG error = Resolve(db, parent, names, key); error != ERROR_SUCCESS) {
            return error;
        }
        if (IsRoot(key)) {
            return ERROR_ACCESS_DENIED;
        }
        for (const char* sql : deleteTree) {
            RegistryStatement statement(db, sql);
            statement.Bind(1, key);
            if (const LONG error = ErrorOf(statement.Step()); error != ERROR_SUCCESS) {
                return error;
            }
        }
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::EnumKey(Key key, DWORD index, std::wstring& name) {
    return Run(false, [&](sqlite3* db) -> LONG {
        if (const LONG error = KeyExists(db, key); error != ERROR_SUCCESS) {
            return error;
        }
        RegistryStatement statement(
            db, "SELECT name FROM registry_keys WHERE parent = ?1 ORDER BY folded LIMIT 1 "
                "OFFSET ?2");
        statement.Bind(1, key);
        statement.Bind(2, static_cast<std::int64_t>(index));
        const LONG error = Found(statement.Step());
        if (error == ERROR_SUCCESS) {
            name = FromUtf8(statement.Text(0));
        }
        return error == ERROR_FILE_NOT_FOUND ? ERROR_NO_MORE_ITEMS : error;
    });
}

LONG RegistryStore::QueryValue(Key key, const std::wstring& name, DWORD& type,
                               std::vector<BYTE>& data) {
    Name stored;
    if (const LONG error = ToName(name, maxValueNameLength, stored); error != ERROR_SUCCESS) {
        return error;
    }
    return Run(false, [&](sqlite3* db) -> LONG {
        RegistryStatement statement(
            db, "SELECT type, data FROM registry_values WHERE key = ?1 AND folded = ?2");
        statement.Bind(1, key);
        statement.Bind(2, stored.folded);
        const LONG error = Found(statement.Step());
        if (error == ERROR_SUCCESS) {
            type = static_cast<DWORD>(statement.Integer(0));
            data = Outward(type, statement, 1);
        }
        return error;
    });
}

LONG RegistryStore::EnumValue(Key key, DWORD index, std::wstring& name, DWORD& type,
                              std::vector<BYTE>& data) {
    return Run(false, [&](sqlite3* db) -> LONG {
        if (const LONG error = KeyExists(db, key); error != ERROR_SUCCESS) {
            return error;
        }
        RegistryStatement statement(db, "SELECT name, type, data FROM registry_values WHERE key "
                                        "= ?1 ORDER BY folded LIMIT 1 OFFSET ?2");
        statement.Bind(1, key);
        statement.Bind(2, static_cast<std::int64_t>(index));
        const LONG error = Found(statement.Step());
        if (error == ERROR_SUCCESS) {
            name = FromUtf8(statement.Text(0));
            type = static_cast<DWORD>(statement.Integer(1));
            data = Outward(type, statement, 2);
        }
        return error == ERROR_FILE_NOT_FOUND ? ERROR_NO_MORE_ITEMS : error;
    });
}

LONG RegistryStore::SetValue(Key key, const std::wstring& name, DWORD type, const BYTE* data,
                             DWORD size) {
    Name storedName;
    Stored stored;
    if (const LONG error = ToName(name, maxValueNameLength, storedName); error != ERROR_SUCCESS) {
        return error;
    }
    if (const LONG error = ToStored(type, data, size, stored); error != ERROR_SUCCESS) {
        return error;
    }
    return Run(true, [&](sqlite3* db) -> LONG {
        if (const LONG error = KeyExists(db, key); error != ERROR_SUCCESS) {
            return error;
        }
        // A value written again keeps the name it was first given.
        RegistryStatement statement(
            db, "INSERT INTO registry_values (key, name, folded, type, data) "
                "VALUES (?1, ?2, ?3, ?4, ?5) "
                "ON CONFLICT (key, folded) DO UPDATE SET type = excluded.type, data = "
                "excluded.data");
        statement.Bind(1, key);
        statement.Bind(2, storedName.given);
        statement.Bind(3, storedName.folded);
        statement.Bind(4, static_cast<std::int64_t>(type));
        BindStored(statement, 5, stored);
        return ErrorOf(statement.Step());
    });
}

LONG RegistryStore::Flush(Key key) {
    return Run(false, [&](sqlite3* db) -> LONG { return KeyExists(db, key); });
}

} // namespace platform
