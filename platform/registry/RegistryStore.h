#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/types.h"

struct sqlite3;

namespace platform {

// The device registry's SQLite connection, one per process, and the operations on its keys and
// values. The connection opens on the first call; each operation is one transaction, run under
// the process's registry lock, and waits a few seconds for another process's write at most.
// Names and values are handed in and out as the callers of the Reg* calls see them: wide names,
// and value data as the bytes those calls copy.
class RegistryStore {
  public:
    // A key's number in the database; the roots have fixed ones.
    using Key = std::int64_t;
    static constexpr Key classesRoot = 1;
    static constexpr Key currentUser = 2;
    static constexpr Key localMachine = 3;

    // Closes the connection and forgets the open key handles, so that the next call opens the
    // current device's database.
    static void Reset();

    // The key at path below parent; every call below answers ERROR_FILE_NOT_FOUND for a key
    // that is missing or has been deleted.
    static LONG OpenKey(Key parent, const std::vector<std::wstring>& path, Key& key);
    // Creates every missing key along path; created tells whether the last one is new.
    static LONG CreateKey(Key parent, const std::vector<std::wstring>& path, Key& key,
                          bool& created);
    // Deletes the key at path with all its subkeys and values; a root is never deleted.
    static LONG DeleteKey(Key parent, const std::vector<std::wstring>& path);
    // The subkey name at index, in the order of their case-folded names; ERROR_NO_MORE_ITEMS
    // past the last.
    static LONG EnumKey(Key key, DWORD index, std::wstring& name);
    // A REG_SZ value comes out as wchar_t text with its terminating NUL, a REG_DWORD as its
    // four bytes, any other type as the bytes stored.
    static LONG QueryValue(Key key, const std::wstring& name, DWORD& type, std::vector<BYTE>& data);
    static LONG EnumValue(Key key, DWORD index, std::wstring& name, DWORD& type,
                          std::vector<BYTE>& data);
    static LONG SetValue(Key key, const std::wstring& name, DWORD type, const BYTE* data,
                         DWORD size);
    // Checks that the key still exists: every write is already on disk when it returns.
    static LONG Flush(Key key);

  private:
    static LONG Run(bool write, const std::function<LONG(sqlite3*)>& work);
};

} // namespace platform
