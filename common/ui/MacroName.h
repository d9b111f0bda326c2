// The rule for macro names: a name becomes a file name in the macro library folder, so it must
// not hold a folder separator or another character a device file name cannot hold.
#pragma once

#include <string>

// False for a name holding \ / : * ? " < > | or a control character.
bool IsValidMacroName(const std::wstring& name);
