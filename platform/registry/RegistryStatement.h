#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace platform {

struct Sqlite;

// One prepared statement of the registry database, finalised when it goes out of scope. A
// statement that failed to prepare, or a value that failed to bind, reports its error from
// Step, so that callers check one result. Made only on an open connection, so SQLite is loaded.
class RegistryStatement {
  public:
    RegistryStatement(sqlite3* db, const char* sql);
    ~RegistryStatement();
    RegistryStatement(const RegistryStatement&) = delete;
    RegistryStatement& operator=(const RegistryStatement&) = delete;

    void Bind(int index, std::int64_t value);
    void Bind(int index, std::string_view text);
    void BindBlob(int index, const void* data, std::size_t size);
    // SQLITE_ROW, SQLITE_DONE or the error.
    int Step();
    std::int64_t Integer(int column) const;
    std::string Text(int column) const;
    // The column's bytes; a null column has none.
    std::string_view Blob(int column) const;

  private:
    const Sqlite& sqlite;
    sqlite3_stmt* statement = nullptr;
    int error;
};

} // namespace platform
