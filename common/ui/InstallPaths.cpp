#include "InstallPaths.h"

#include <cwchar>

#include "SharedNames.h"
#include "platform/registry.h"

std::wstring GetInstallDirectory() {
    std::wstring directory = L"\\Program Files\\" + productName;
    const std::wstring keyName = L"Software\\Apps\\" + companyName + L" " + productName;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, 0, &key) == ERROR_SUCCESS) {
        wchar_t value[MAX_PATH] = {};
        DWORD size = sizeof(value);
        if (RegQueryValueExW(key, L"InstallDir", nullptr, nullptr, reinterpret_cast<LPBYTE>(value),
                             &size) == ERROR_SUCCESS) {
            directory.assign(value, wcsnlen(value, MAX_PATH));
        }
        RegCloseKey(key);
    }
    return directory + L"\\";
}

std::wstring GetMacroFolder() {
    return GetInstallDirectory() + macrosFolderName + L"\\";
}
