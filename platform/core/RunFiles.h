// The entries of the device's run directory, <device>/run: what only running processes need.
// Any process of the user can put something there, so every entry is opened without following
// a link out of the device and without waiting (a FIFO or a device never holds a caller up),
// must be of the kind expected, and is read only to a bounded size.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace platform {

class RunFiles {
  public:
    // <device>/run, or a folder of it (created when missing); nullopt when that is not a
    // folder of its own: a link, a file, or not there.
    static std::optional<std::string> Folder(const std::string& name = {});

    // Opens a regular file with the flags of open(2) (O_CREAT creates it, mode 0644) and
    // never through a link; -1 for anything else (errno says why, EINVAL for another kind).
    static int Open(const std::string& path, int flags);
    // The content of a regular file, nullopt when it holds more than limit bytes.
    static std::optional<std::string> Read(const std::string& path, std::size_t limit = 65536);
    // Written aside and renamed, so that a reader never sees half a file.
    static bool Write(const std::string& path, const std::string& content);

    // Whether the path is a socket itself, not a link to one.
    static bool IsSocket(const std::string& path);
};

} // namespace platform
