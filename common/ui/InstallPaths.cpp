#include "InstallPaths.h"

#include <cwchar>
#include <string_view>

#include "SharedNames.h"
#include "platform/registry.h"
#include "platform/windows.h"

namespace {

const wchar_t* const playerFileName = L"Player.exe";

// Every shortcut that starts the player names "<installation directory>\Player.exe", so a player
// started by one knows the installation directory from its own device path, and finds its
// macros without opening the registry. A program under any other name, or a player started
// under its host path (no device path of its own), asks the registry.
std::optional<std::wstring> PlayerFolder() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring_view own(path, length);
    const std::size_t separator = own.rfind(L'\\');
    if (length == 0 || length >= MAX_PATH - 1 || own.front() != L'\\' ||
        separator == std::wstring_view::npos ||
        wcscasecmp(path + separator + 1, playerFileName) != 0) {
        return std::nullopt;
    }
    return std::wstring(own.substr(0, separator + 1));
}

} // namespace

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
    if (std::optional<std::wstring> folder = PlayerFolder()) {
        return *folder;
    }
    return RecordedInstallDirectory().value_or(L"\\Program Files\\" + productName) + L"\\";
}

std::wstring GetMacroFolder() {
    return GetInstallDirectory() + macrosFolderName + L"\\";
}
