#include <algorithm>
#include <string>
#include <vector>

#include "RegistryKeys.h"
#include "RegistryStore.h"
#include "platform/files.h"
#include "platform/registry.h"

using platform::RegistryKeys;
using platform::RegistryStore;

namespace {

// The components of a key path; empty ones (a doubled or leading backslash) are skipped.
std::vector<std::wstring> Components(LPCWSTR subKey) {
    std::vector<std::wstring> components;
    std::wstring component;
    for (const wchar_t* c = subKey ? subKey : L""; *c; ++c) {
        if (*c != L'\\') {
            component += *c;
        } else if (!component.empty()) {
            components.push_back(std::move(component));
            component.clear();
        }
    }
    if (!component.empty()) {
        components.push_back(std::move(component));
    }
    return components;
}

// A null or empty value name is the key's default value.
std::wstring ValueName(LPCWSTR name) {
    return name ? name : L"";
}

// Hands value data out the way RegQueryValueExW does: the size always, the bytes only when
// the buffer holds all of them.
LONG CopyOut(const std::vector<BYTE>& bytes, LPBYTE data, LPDWORD dataSize) {
    if (!dataSize) {
        return ERROR_SUCCESS;
    }
    const auto needed = static_cast<DWORD>(bytes.size());
    if (data && *dataSize < needed) {
        *dataSize = needed;
        return ERROR_MORE_DATA;
    }
    if (data) {
        std::copy(bytes.begin(), bytes.end(), data);
    }
    *dataSize = needed;
    return ERROR_SUCCESS;
}

// Hands a name out into a buffer of *length characters, NUL included.
LONG CopyName(const std::wstring& name, LPWSTR buffer, LPDWORD length) {
    if (name.size() >= *length) {
        return ERROR_MORE_DATA;
    }
    std::copy(name.begin(), name.end(), buffer);
    buffer[name.size()] = L'\0';
    *length = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

// Opens or creates (reach) a key below an open one and hands out a handle to it; the result is
// cleared first, so that a failure leaves no handle behind.
template <typename Reach> LONG ReachKey(HKEY key, PHKEY result, Reach reach) {
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    RegistryStore::Key parent = 0;
    if (!RegistryKeys::Find(key, parent)) {
        return ERROR_INVALID_HANDLE;
    }
    RegistryStore::Key opened = 0;
    const LONG error = reach(parent, opened);
    if (error == ERROR_SUCCESS) {
        *result = RegistryKeys::Add(opened);
    }
    return error;
}

} // namespace

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result) {
    return ReachKey(key, result, [subKey](RegistryStore::Key parent, RegistryStore::Key& opened) {
        return RegistryStore::OpenKey(parent, Components(subKey), opened);
    });
}

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, SECURITY_ATTRIBUTES*,
                     PHKEY result, LPDWORD disposition) {
    bool created = false;
    const LONG error = ReachKey(
        key, result, [subKey, &created](RegistryStore::Key parent, RegistryStore::Key& opened) {
            return RegistryStore::CreateKey(parent, Components(subKey), opened, created);
        });
    if (error == ERROR_SUCCESS && disposition) {
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    return error;
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
    if (data && !dataSize) {
        return ERROR_INVALID_PARAMETER;
    }
    RegistryStore::Key opened = 0;
    if (!RegistryKeys::Find(key, opened)) {
        return ERROR_INVALID_HANDLE;
    }
    DWORD valueType = REG_NONE;
    std::vector<BYTE> bytes;
    const LONG error = RegistryStore::QueryValue(opened, ValueName(valueName), valueType, bytes);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    if (type) {
        *type = valueType;
    }
    return CopyOut(bytes, data, dataSize);
}

LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data,
                    DWORD dataSize) {
    if (!data && dataSize > 0) {
        return ERROR_INVALID_PARAMETER;
    }
    RegistryStore::Key opened = 0;
    if (!RegistryKeys::Find(key, opened)) {
        return ERROR_INVALID_HANDLE;
    }
    return RegistryStore::SetValue(opened, ValueName(valueName), type, data, dataSize);
}

LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD, LPWSTR keyClass,
                   LPDWORD classLength, FILETIME* lastWriteTime) {
    if (!name || !nameLength || (keyClass && !classLength)) {
        return ERROR_INVALID_PARAMETER;
    }
    RegistryStore::Key opened = 0;
    if (!RegistryKeys::Find(key, opened)) {
        return ERROR_INVALID_HANDLE;
    }
    std::wstring found;
    LONG error = RegistryStore::EnumKey(opened, index, found);
    if (error == ERROR_SUCCESS) {
        error = CopyName(found, name, nameLength);
    }
    if (error == ERROR_SUCCESS && keyClass) {
        error = CopyName(L"", keyClass, classLength);
    }
    if (error == ERROR_SUCCESS && lastWriteTime) {
        *lastWriteTime = FILETIME{};
    }
    return error;
}

LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName, LPDWORD valueNameLength, LPDWORD,
                   LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    if (!valueName || !valueNameLength || (data && !dataSize)) {
        return ERROR_INVALID_PARAMETER;
    }
    RegistryStore::Key opened = 0;
    if (!RegistryKeys::Find(key, opened)) {
        return ERROR_INVALID_HANDLE;
    }
    std::wstring found;
    DWORD valueType = REG_NONE;
    std::vector<BYTE> bytes;
    LONG error = RegistryStore::EnumValue(opened, index, found, valueType, bytes);
    if (error == ERROR_SUCCESS) {
        error = CopyName(found, valueName, valueNameLength);
    }
    if (error != ERROR_SUCCESS) {
        return error;
    }
    if (type) {
        *type = valueType;
    }
    return CopyOut(bytes, data, dataSize);
}

LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
    RegistryStore::Key parent = 0;
    if (!RegistryKeys::Find(key, parent)) {
        return ERROR_INVALID_HANDLE;
    }
    return RegistryStore::DeleteKey(parent, Components(subKey));
}

LONG RegFlushKey(HKEY key) {
    RegistryStore::Key opened = 0;
    if (!RegistryKeys::Find(key, opened)) {
        return ERROR_INVALID_HANDLE;
    }
    return RegistryStore::Flush(opened);
}

LONG RegCloseKey(HKEY key) {
    return RegistryKeys::Close(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
