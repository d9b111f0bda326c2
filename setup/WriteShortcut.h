// The Start-menu shortcuts the setup library writes: "Macros - About" and one per kept macro.
#pragma once

#include <string>

// Writes folder + name + ".lnk" (the folder ends with a backslash), created or truncated: the
// byte count, "#", the player in the installation directory in double quotes, the macro name in
// double quotes, and the icon reference "?\windows\Tapweave Setup.dll,<iconIndex>". The name is
// written in UTF-8 and the count counts bytes, so a name in any script survives. 0 on success,
// 1 on failure.
int WriteShortcut(const std::wstring& installDir, const std::wstring& folder,
                  const std::wstring& name, int iconIndex);
