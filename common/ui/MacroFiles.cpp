#include "MacroFiles.h"

#include <cwchar>
#include <utility>

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

// What the shortcut runs: the player with the name as its one argument.
std::wstring CommandLineOf(const std::wstring& name) {
    return L"\"" + GetInstallDirectory() + L"Player.exe\" \"" + name + L"\"";
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Quoted(const std::wstring& name) {
    return L"\"" + name + L"\"";
}

bool Refuse(std::wstring* reason, std::wstring why) {
    if (reason) {
        *reason = std::move(why);
    }
    return false;
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
    std::wstring commandLine = CommandLineOf(name);
    std::wstring shortcutPath = GetShortcutPath(programsFolder, name);
    return SHCreateShortcut(shortcutPath.data(), commandLine.data()) != FALSE;
}

bool EditMacro(const std::wstring& name) {
    if (!IsValidMacroName(name)) {
        return false;
    }
    const std::wstring path = GetMacroFilePath(name);
    // A macro file is plain text: with no program of the device for it, the person's own text
    // editor opens it (a desktop's document opener may have nothing for it either).
    if (!platform::HasOpenCommand(path)) {
        return platform::EditTextFile(path);
    }
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

bool RenameMacro(const std::wstring& oldName, const std::wstring& newName, std::wstring* reason) {
    const std::wstring fileNotRenamed =
        L"The macro file of " + Quoted(oldName) + L" could not be renamed.";
    if (!IsValidMacroName(oldName)) {
        return Refuse(reason, fileNotRenamed);
    }
    if (std::wstring why = WhyMacroNameIsRefused(newName); !why.empty()) {
        return Refuse(reason, std::move(why));
    }
    if (newName == oldName) {
        return true;
    }
    // Everything that can be known beforehand is checked before anything moves.
    wchar_t programsFolder[MAX_PATH] = {};
    if (!GetProgramsFolder(programsFolder) ||
        !IsFolder(std::wstring(programsFolder) + L"\\" + productName)) {
        return Refuse(reason, L"There is no Start-menu folder for the macro's shortcut.");
    }
    const std::wstring oldFile = GetMacroFilePath(oldName);
    const std::wstring newFile = GetMacroFilePath(newName);
    const std::wstring oldShortcut = GetShortcutPath(programsFolder, oldName);
    const std::wstring newShortcut = GetShortcutPath(programsFolder, newName);
    if (newShortcut.empty() || newFile.size() >= MAX_PATH) {
        return Refuse(reason, L"The name is too long for a macro.");
    }
    // Another case of the macro's own name finds the macro's own files.
    if (wcscasecmp(oldName.c_str(), newName.c_str()) != 0 &&
        (Exists(newFile) || Exists(newShortcut))) {
        return Refuse(reason, L"A macro named " + Quoted(newName) + L" already exists.");
    }

    // A step that fails undoes the steps before it: the macro keeps its old name whole rather
    // than losing its file or its shortcut, which is how the library window finds it.
    if (!MoveFileW(oldFile.c_str(), newFile.c_str())) {
        return Refuse(reason, fileNotRenamed);
    }
    if (!MoveFileW(oldShortcut.c_str(), newShortcut.c_str())) {
        MoveFileW(newFile.c_str(), oldFile.c_str());
        return Refuse(reason, L"The shortcut of " + Quoted(oldName) + L" could not be renamed.");
    }
    std::wstring shortcutPath = newShortcut;
    std::wstring commandLine = CommandLineOf(newName);
    if (!SHCreateShortcut(shortcutPath.data(), commandLine.data())) {
        MoveFileW(newShortcut.c_str(), oldShortcut.c_str());
        shortcutPath = oldShortcut;
        commandLine = CommandLineOf(oldName);
        SHCreateShortcut(shortcutPath.data(), commandLine.data());
        MoveFileW(newFile.c_str(), oldFile.c_str());
        return Refuse(reason, L"The shortcut for " + Quoted(newName) + L" could not be written.");
    }
    return true;
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
