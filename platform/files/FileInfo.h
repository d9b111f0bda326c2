// What the device reports about a file or folder: its attributes, size and times.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/files.h"

namespace platform {

class FileInfo {
  public:
    // The entry at a host path, through links (a program the installer linked into the device
    // reports the program's own size); a link that leads nowhere reports itself. nullopt with
    // errno set when there is no entry.
    static std::optional<FileInfo> Of(const std::string& hostPath);

    DWORD attributes = 0;
    std::uint64_t size = 0;
    // The host keeps no creation time that every file system offers; the last write stands in.
    FILETIME creationTime{};
    FILETIME lastAccessTime{};
    FILETIME lastWriteTime{};
};

} // namespace platform
