// The shell's special folders and shortcut files.
#include <algorithm>
#include <optional>

#include "ShortcutFile.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace {

std::optional<std::wstring> SpecialFolder(int csidl) {
    switch (csidl) {
    case CSIDL_PROGRAMS:
        return L"\\Windows\\Start Menu\\Programs";
    case CSIDL_PERSONAL:
        return L"\\My Documents";
    case CSIDL_STARTMENU:
        return L"\\Windows\\Start Menu";
    case CSIDL_WINDOWS:
        return L"\\Windows";
    case CSIDL_PROGRAM_FILES:
        return L"\\Program Files";
    default:
        return std::nullopt;
    }
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Makes the folder and every folder above it that is missing.
bool CreateFolders(const std::wstring& path) {
    for (std::size_t end = path.find(L'\\', 1);; end = path.find(L'\\', end + 1)) {
        const std::wstring folder = path.substr(0, end);
        if (!IsFolder(folder) && !CreateDirectoryW(folder.c_str(), nullptr)) {
            return false;
        }
        if (end == std::wstring::npos) {
            return true;
        }
    }
}

} // namespace

BOOL SHGetSpecialFolderPath(HWND, LPWSTR path, int csidl, BOOL create) {
    const std::optional<std::wstring> folder = SpecialFolder(csidl);
    if (!path || !folder) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!IsFolder(*folder) && !(create && CreateFolders(*folder))) {
        if (!create) {
            SetLastError(ERROR_PATH_NOT_FOUND);
        }
        return FALSE;
    }
    std::copy(folder->begin(), folder->end(), path);
    path[folder->size()] = L'\0';
    return TRUE;
}

BOOL SHCreateShortcut(LPWSTR shortcutPath, LPWSTR target) {
    if (!shortcutPath || !target) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return platform::ShortcutFile::Write(shortcutPath, target) ? TRUE : FALSE;
}

BOOL SHGetShortcutTarget(LPCWSTR shortcut, LPWSTR target, int max) {
    if (!shortcut || !target || max <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    target[0] = L'\0';
    const std::optional<std::wstring> commandLine = platform::ShortcutFile::Read(shortcut);
    if (!commandLine) {
        return FALSE;
    }
    if (commandLine->size() >= static_cast<std::size_t>(max)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::copy(commandLine->begin(), commandLine->end(), target);
    target[commandLine->size()] = L'\0';
    return TRUE;
}
