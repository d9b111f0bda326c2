#include "InstallPaths.h"

#include <cwchar>

#include "SharedNames.h"
#include "platform/registry.h"

std::optional<std::wstring> RecordedInstallDirectory() {
    const std::wstring keyName = L"Software\\Apps\\" + companyName + L" " + productName;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, 0, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    const LONG result = RegQueryValueExW(key, L"InstallDir", nullptr, nullptr,
                                         reinterpret_cast<LPBYTE>(value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(value, wcsnlen(value, MAX_PATH));
}

std::wstring GetInstallDirectory() {
    return RecordedInstallDirectory().value_or(L"\\Program Files\\" + productName) + L"\\";
}

std::wstring GetMacroFolder() {
    return GetInstallDirectory() + macrosFolderName + L"\\";
}
