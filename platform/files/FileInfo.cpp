#include "FileInfo.h"

#include <sys/stat.h>

namespace platform {

namespace {

// FILETIME counts 100-nanosecond intervals from 1 January 1601.
FILETIME ToFileTime(const timespec& time) {
    constexpr std::int64_t secondsFrom1601To1970 = 11644473600;
    const std::uint64_t intervals =
        static_cast<std::uint64_t>(time.tv_sec + secondsFrom1601To1970) * 10000000u +
        static_cast<std::uint64_t>(time.tv_nsec) / 100u;
    return FILETIME{static_cast<DWORD>(intervals), static_cast<DWORD>(intervals >> 32)};
}

} // namespace

std::optional<FileInfo> FileInfo::Of(const std::string& hostPath) {
    struct stat status;
    if (::stat(hostPath.c_str(), &status) != 0 && ::lstat(hostPath.c_str(), &status) != 0) {
        return std::nullopt;
    }
    FileInfo info;
    if (S_ISDIR(status.st_mode)) {
        info.attributes = FILE_ATTRIBUTE_DIRECTORY;
    } else {
        info.size = static_cast<std::uint64_t>(status.st_size);
        info.attributes =
            (status.st_mode & S_IWUSR) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
    }
    info.lastWriteTime = ToFileTime(status.st_mtim);
    info.creationTime = info.lastWriteTime;
    info.lastAccessTime = ToFileTime(status.st_atim);
    return info;
}

} // namespace platform
