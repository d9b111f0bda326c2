#include "RegistryStatement.h"

#include "Sqlite.h"

namespace platform {

RegistryStatement::RegistryStatement(sqlite3* db, const char* sql)
    : sqlite(*Sqlite::Calls()), error(sqlite.sqlite3_prepare_v2(db, sql, -1, &statement, nullptr)) {
}

RegistryStatement::~RegistryStatement() {
    sqlite.sqlite3_finalize(statement);
}

void RegistryStatement::Bind(int index, std::int64_t value) {
    if (error == SQLITE_OK) {
        error = sqlite.sqlite3_bind_int64(statement, index, value);
    }
}

void RegistryStatement::Bind(int index, std::string_view text) {
    if (error == SQLITE_OK) {
        // A bound empty text must not be a null pointer, which SQLite would store as NULL.
        error = sqlite.sqlite3_bind_text64(statement, index, text.empty() ? "" : text.data(),
                                           text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
}

void RegistryStatement::BindBlob(int index, const void* data, std::size_t size) {
    if (error == SQLITE_OK) {
        error = size == 0
                    ? sqlite.sqlite3_bind_zeroblob(statement, index, 0)
                    : sqlite.sqlite3_bind_blob64(statement, index, data, size, SQLITE_TRANSIENT);
    }
}

int RegistryStatement::Step() {
    return error == SQLITE_OK ? sqlite.sqlite3_step(statement) : error;
}

std::int64_t RegistryStatement::Integer(int column) const {
    return sqlite.sqlite3_column_int64(statement, column);
}

std::string RegistryStatement::Text(int column) const {
    const auto* text = sqlite.sqlite3_column_text(statement, column);
    const int size = sqlite.sqlite3_column_bytes(statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text), size) : std::string();
}

std::string_view RegistryStatement::Blob(int column) const {
    const void* data = sqlite.sqlite3_column_blob(statement, column);
    const int size = sqlite.sqlite3_column_bytes(statement, column);
    return data ? std::string_view(static_cast<const char*>(data), size) : std::string_view();
}

} // namespace platform
