// A saved macro is two files that share its name: the macro file in the macro library folder
// and its shortcut in the product's Start-menu folder, which starts the player with the name.
// These operations keep the two in step. A name that cannot be a file name (holding \ / : * ?
// " < > | or a control character) is refused before anything is touched, so no operation ever
// reaches outside the two folders.
#pragma once

#include <string>

// The shortcut path of a macro: the Programs folder, the product's folder, the name and ".lnk";
// empty when that is longer than a device path may be.
std::wstring GetShortcutPath(const std::wstring& programsFolder, const std::wstring& name);
// Writes the macro's shortcut, which runs the player with the name as its one argument.
bool CreateMacroShortcut(const std::wstring& name);
// Opens the macro file with the program the device associates with macro files, else in the
// person's own text editor (platform::EditTextFile).
bool EditMacro(const std::wstring& name);
// Renames the macro file and its shortcut, which then runs the player with the new name. The
// new name is refused before anything moves when it breaks the naming rules, its paths would
// not fit a device path, the shortcut folder is missing, or another macro's file or shortcut
// holds it; a step that fails later undoes the ones before it, so the macro is never lost. On
// false, reason (when given) says why in words for the person.
bool RenameMacro(const std::wstring& oldName, const std::wstring& newName,
                 std::wstring* reason = nullptr);
// Deletes the shortcut, then the macro file; a missing shortcut keeps the file.
bool DeleteMacro(const std::wstring& name);
