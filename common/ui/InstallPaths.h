// Where the product and the user's macros live on the device. Device paths, each ending in a
// backslash.
#pragma once

#include <string>

// The "InstallDir" that the device's installer records, else "\Program Files\Tapweave".
std::wstring GetInstallDirectory();
// The macro library folder: the installation directory and "Macros".
std::wstring GetMacroFolder();
