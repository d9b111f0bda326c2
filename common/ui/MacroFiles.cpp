#include "MacroFiles.h"

#include <cwchar>

#include "InstallPaths.h"
#include "MacroName.h"
#include "SharedNames.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace {

// The size SHELLEXECUTEINFO has on the device, as the device's programs fill it in.
constexpr DWORD shellExecuteInfoSize = 60;

bool GetProgramsFolder(wchar_t (&folder)[MAX_PATH]) {
    return SHGetSpecialFolderPath(nullptr, folder, CSIDL_PROGRAMS, FALSE) != FALSE;
}

std::wstring GetMacroFilePath(const std::wstring& name) {
    return GetMacroFolder() + name + macroExtension;
}

} // namespace

std::wstring GetShortcutPath(const std::wstring& programsFolder, const std::wstring& name) {
    wchar_t path[MAX_PATH] = {};
    // A path longer than the buffer names no shortcut: the empty path makes every file
    // operation on it fail.
    if (swprintf(path, MAX_PATH, L"%ls\\%ls\\%ls.lnk", programsFolder.c_str(), productName.c_str(),
                 name.c_str()) < 0) {
        return {};
    }
    return path;
}

bool CreateMacroShortcut(const std::wstring& name) {
    if (!IsValidMacroName(name)) {
        return false;
    }
    wchar_t programsFolder[MAX_PATH] = {};
    if (!GetProgramsFolder(programsFolder)) {
        return false;
    }
    std::wstring commandLine = L"\"" + GetInstallDirectory() + L"Player.exe\" \"" + name + L"\"";
    std::wstring shortcutPath = GetShortcutPath(programsFolder, name);
    return SHCreateShortcut(shortcutPath.data(), commandLine.data()) != FALSE;
}

bool EditMacro(const std::wstring& name) {
    if (!IsValidMacroName(name)) {
        return false;
    }
    const std::wstring path = GetMacroFilePath(name);
    SHELLEXECUTEINFO info = {};
    info.cbSize = shellExecuteInfoSize;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"Open";
    info.lpFile = path.c_str();
    const bool opened = ShellExecuteEx(&info) != FALSE;
    // Nothing waits for the editor, so its process handle is given back at once.
    if (info.hProcess) {
        CloseHandle(info.hProcess);
    }
    return opened;
}

bool RenameMacro(const std::wstring& oldName, const std::wstring& newName) {
    if (!IsValidMacroName(oldName) || !IsValidMacroName(newName)) {
        return false;
    }
    if (!MoveFileW(GetMacroFilePath(oldName).c_str(), GetMacroFilePath(newName).c_str())) {
        return false;
    }
    wchar_t programsFolder[MAX_PATH] = {};
    if (!GetProgramsFolder(programsFolder)) {
        return false;
    }
    if (!DeleteFileW(GetShortcutPath(programsFolder, oldName).c_str())) {
        return false;
    }
    return CreateMacroShortcut(newName);
}

bool DeleteMacro(const std::wstring& name) {
    if (!IsValidMacroName(name)) {
        return false;
    }
    wchar_t programsFolder[MAX_PATH] = {};
    if (!GetProgramsFolder(programsFolder)) {
        return false;
    }
    if (!DeleteFileW(GetShortcutPath(programsFolder, name).c_str())) {
        return false;
    }
    return DeleteFileW(GetMacroFilePath(name).c_str()) != FALSE;
}
