// The device's shortcut files (".lnk"): 8-bit text without a line end, a decimal byte count,
// "#", then the command line the shortcut runs, in UTF-8 (the device's multibyte code page):
//
//     48#"\Program Files\Tapweave\Player.exe" "New Macro"
//
// The shell counts the bytes of the command line. The setup library writes the same text with
// the "#" counted too and an icon reference after the command line, a space, "?" and the
// reference ("...\Player.exe" "A" ?\windows\Tapweave Setup.dll,1); both are read. A "?" never
// belongs to a command line the system writes: device file names and macro names cannot hold
// one.
#pragma once

#include <optional>
#include <string>

#include "platform/types.h"

namespace platform {

class ShortcutFile {
  public:
    // The longest shortcut file read; a larger file is not a shortcut.
    static constexpr std::size_t maximumSize = 4096;

    // The file's text for a command line; nullopt for an empty command line or one with a
    // character that has no multibyte form.
    static std::optional<std::string> Format(const std::wstring& commandLine);
    // The command line of a shortcut's text, without its icon reference; nullopt when the count
    // does not match the bytes that follow, the text is not UTF-8 or no command line is left.
    static std::optional<std::wstring> Parse(const std::string& text);

    // Creates or replaces the shortcut at a device path. FALSE with the last error set when the
    // path cannot name a file, its folder is missing or the file cannot be written; a link, a
    // FIFO or a device under that name is left alone (ERROR_ACCESS_DENIED).
    static bool Write(const std::wstring& devicePath, const std::wstring& commandLine);
    // The command line of the shortcut at a device path, read only from a regular file (see
    // ReadRegularFile); nullopt with the last error set.
    static std::optional<std::wstring> Read(const std::wstring& devicePath);
};

} // namespace platform
