// A library of the host system that the platform opens when a call first needs it rather than
// when the program starts, so that a program that never touches the registry, the X display or
// uinput loads neither SQLite, Xlib nor libevdev. Each call is looked up once, when the library
// opens, into a table of function pointers named as the library names them:
//
//   #define SQLITE_CALLS(CALL) CALL(sqlite3_open_v2) CALL(sqlite3_step)
//   struct Sqlite { SQLITE_CALLS(SYSTEM_LIBRARY_CALL) };
//   static const Sqlite* const calls = SystemLibrary::Load<Sqlite>("libsqlite3.so.0",
//       "the registry", [](SystemLibrary& library, Sqlite& table) {
//           SQLITE_CALLS(SYSTEM_LIBRARY_TAKE) });
#pragma once

#include <string>

// A member of a call table: a pointer to the function of that name.
#define SYSTEM_LIBRARY_CALL(name) decltype(&::name) name = nullptr;
// Fills that member from the library at hand (named library, the table named table).
#define SYSTEM_LIBRARY_TAKE(name) library.Take(table.name, #name);

namespace platform {

class SystemLibrary {
  public:
    // Opens the library by its file name, as the dynamic loader finds it; the library stays
    // loaded for the rest of the process.
    explicit SystemLibrary(const char* fileName);

    template <class Call> void Take(Call& call, const char* name) {
        call = reinterpret_cast<Call>(Symbol(name));
    }

    // A table of calls filled by fill, kept for the rest of the process (the caller keeps it
    // in a static); null when the library or one of its calls is missing, which is told on
    // standard error as the reason why user (a part of the system, "the registry") cannot work.
    template <class Table, class Fill>
    static const Table* Load(const char* fileName, const char* user, Fill fill) {
        SystemLibrary library(fileName);
        auto* table = new Table;
        fill(library, *table);
        if (library.Usable(user)) {
            return table;
        }
        delete table;
        return nullptr;
    }

  private:
    void* Symbol(const char* name);
    bool Usable(const char* user) const;

    void* handle;
    std::string error;
};

} // namespace platform
