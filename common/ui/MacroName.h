// The rules for macro names: a name becomes a file name in the macro library folder and in the
// shortcut folder, so it must not hold a folder separator or another character a device file
// name cannot hold; a name given by the person must also survive the device's file system as
// typed.
#pragma once

#include <string>

// False for a name holding \ / : * ? " < > | or a control character.
bool IsValidMacroName(const std::wstring& name);
// Why a macro may not be given this name, in words for the person; empty when it may. Beyond
// IsValidMacroName, a name needs a character other than spaces, and may neither begin nor end
// with a space nor end with a dot: the device's file system drops trailing spaces and dots, so
// "Walk." would be the file of "Walk", and a leading space is a name nobody can tell apart.
std::wstring WhyMacroNameIsRefused(const std::wstring& name);
