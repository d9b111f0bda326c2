// The device registry, kept in one SQLite database (<device>/registry.db) that every process of
// the device shares. Key paths are matched without regard to case. A damaged or unreadable
// database makes every call fail with an error code, so callers fall back to their defaults.
#pragma once

#include "platform/types.h"

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

#define REG_NONE 0u
#define REG_SZ 1u
#define REG_BINARY 3u
#define REG_DWORD 4u

#define REG_OPTION_NON_VOLATILE 0u
#define REG_CREATED_NEW_KEY 1u
#define REG_OPENED_EXISTING_KEY 2u
#define KEY_ALL_ACCESS 0xF003Fu

// Enumeration has passed the last subkey or value.
#define ERROR_NO_MORE_ITEMS 259L

struct SECURITY_ATTRIBUTES;
struct FILETIME;

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                     REGSAM desired, SECURITY_ATTRIBUTES* securityAttributes, PHKEY result,
                     LPDWORD disposition);
// Sizes are in bytes. A REG_SZ value is returned as wchar_t text with its terminating NUL, so it
// takes (length + 1) * sizeof(wchar_t) bytes; a buffer too short gives ERROR_MORE_DATA and the
// size needed.
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize);
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataSize);
// The subkey or value at index, in the order of their names without regard to case. Name
// lengths are in characters: on entry the buffer's room including the NUL, on return the
// name's length without it; a name that does not fit gives ERROR_MORE_DATA. Keys have no
// class and no write time here: the class comes back empty, the time as zero.
LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                   LPWSTR keyClass, LPDWORD classLength, FILETIME* lastWriteTime);
LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName, LPDWORD valueNameLength,
                   LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
// Removes the key with all its subkeys and values.
LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey);
// Returns when what was written is on disk.
LONG RegFlushKey(HKEY key);
LONG RegCloseKey(HKEY key);
