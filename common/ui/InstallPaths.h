// Where the product and the user's macros live on the device. Device paths, each ending in a
// backslash.
#pragma once

#include <optional>
#include <string>

// The "InstallDir" that the device's installer recorded, as it stands (no trailing backslash is
// added); none when nothing is recorded.
std::optional<std::wstring> RecordedInstallDirectory();
// The "InstallDir" that the device's installer records, else "\Program Files\Tapweave". The
// player, started under its device path, takes the folder it runs from (where the installer put
// it) without reading the registry.
std::wstring GetInstallDirectory();
// The macro library folder: the installation directory and "Macros".
std::wstring GetMacroFolder();
