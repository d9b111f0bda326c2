#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileInfo.h"
#include "FileName.h"
#include "HostError.h"
#include "PathResolver.h"
#include "platform/files.h"

namespace {

using platform::PathResolver;

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

BOOL FailWithErrno(const std::string& hostPath) {
    platform::HostError::Set(errno, hostPath);
    return FALSE;
}

// The components of a path named by a caller; nullopt with the last error set.
std::optional<PathResolver::Components> Components(LPCWSTR path) {
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    return PathResolver::Split(path);
}

// The host path of an entry below the device root; the root itself is never created, deleted
// or removed, and fails with rootError. nullopt with the last error set.
std::optional<std::string> EntryBelowRoot(LPCWSTR path, DWORD rootError) {
    const std::optional<PathResolver::Components> components = Components(path);
    if (!components) {
        return std::nullopt;
    }
    if (components->empty()) {
        SetLastError(rootError);
        return std::nullopt;
    }
    return PathResolver::Resolve(*components);
}

bool IsFolder(const std::string& hostPath) {
    struct stat status;
    return ::stat(hostPath.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Renaming where the file system cannot refuse an existing target by itself: a file gets a
// second name that the system refuses when taken, then loses its first; a folder is checked
// first.
BOOL RenameWithoutReplacing(const std::string& from, const std::string& to) {
    struct stat status;
    if (::lstat(from.c_str(), &status) != 0) {
        return FailWithErrno(from);
    }
    if (S_ISDIR(status.st_mode)) {
        if (::lstat(to.c_str(), &status) == 0) {
            return Fail(ERROR_ALREADY_EXISTS);
        }
        return ::rename(from.c_str(), to.c_str()) == 0 ? TRUE : FailWithErrno(to);
    }
    if (::link(from.c_str(), to.c_str()) != 0) {
        return FailWithErrno(to);
    }
    return ::unlink(from.c_str()) == 0 ? TRUE : FailWithErrno(from);
}

} // namespace

BOOL MoveFileW(LPCWSTR existingFileName, LPCWSTR newFileName) {
    const std::optional<PathResolver::Components> source = Components(existingFileName);
    if (!source) {
        return FALSE;
    }
    std::optional<PathResolver::Components> target = Components(newFileName);
    if (!target) {
        return FALSE;
    }
    if (source->empty()) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    if (target->empty()) {
        return Fail(ERROR_ALREADY_EXISTS);
    }
    const std::optional<std::string> from = PathResolver::Resolve(*source);
    if (!from) {
        return FALSE;
    }
    struct stat status;
    if (::lstat(from->c_str(), &status) != 0) {
        return FailWithErrno(*from);
    }
    // The target keeps the name as given, also when only its case differs from an existing
    // entry: that is how a file is renamed to another case of its own name.
    const std::wstring targetName = target->back();
    target->pop_back();
    const std::optional<std::string> folder = PathResolver::Resolve(*target);
    const std::optional<std::string> targetHostName = platform::FileName::ToHost(targetName);
    if (!folder || !targetHostName) {
        return Fail(ERROR_INVALID_NAME);
    }
    if (!IsFolder(*folder)) {
        return Fail(ERROR_PATH_NOT_FOUND);
    }
    const std::string to = *folder + "/" + *targetHostName;
    if (to == *from) {
        return TRUE;
    }
    for (const std::string& entry : PathResolver::EntriesNamed(*folder, targetName)) {
        if (*folder + "/" + entry != *from) {
            return Fail(ERROR_ALREADY_EXISTS);
        }
    }
    if (to.starts_with(*from + "/")) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    if (::renameat2(AT_FDCWD, from->c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return TRUE;
    }
    if (errno == EINVAL || errno == ENOSYS) {
        return RenameWithoutReplacing(*from, to);
    }
    return FailWithErrno(to);
}

BOOL DeleteFileW(LPCWSTR fileName) {
    const std::optional<std::string> path = EntryBelowRoot(fileName, ERROR_ACCESS_DENIED);
    if (!path) {
        return FALSE;
    }
    struct stat status;
    if (::lstat(path->c_str(), &status) != 0) {
        return FailWithErrno(*path);
    }
    if (S_ISDIR(status.st_mode)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    return ::unlink(path->c_str()) == 0 ? TRUE : FailWithErrno(*path);
}

BOOL CreateDirectoryW(LPCWSTR pathName, LPSECURITY_ATTRIBUTES) {
    const std::optional<std::string> path = EntryBelowRoot(pathName, ERROR_ALREADY_EXISTS);
    if (!path) {
        return FALSE;
    }
    return ::mkdir(path->c_str(), 0777) == 0 ? TRUE : FailWithErrno(*path);
}

BOOL RemoveDirectoryW(LPCWSTR pathName) {
    const std::optional<std::string> path = EntryBelowRoot(pathName, ERROR_ACCESS_DENIED);
    if (!path) {
        return FALSE;
    }
    struct stat status;
    if (::lstat(path->c_str(), &status) != 0) {
        return FailWithErrno(*path);
    }
    if (!S_ISDIR(status.st_mode)) {
        return Fail(ERROR_DIRECTORY);
    }
    if (::rmdir(path->c_str()) == 0) {
        return TRUE;
    }
    // Some file systems say EEXIST for a folder that still holds entries.
    return errno == EEXIST ? Fail(ERROR_DIR_NOT_EMPTY) : FailWithErrno(*path);
}

DWORD GetFileAttributesW(LPCWSTR fileName) {
    if (!fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    const std::optional<std::string> path = PathResolver::Resolve(fileName);
    if (!path) {
        return INVALID_FILE_ATTRIBUTES;
    }
    const std::optional<platform::FileInfo> info = platform::FileInfo::Of(*path);
    if (!info) {
        platform::HostError::Set(errno, *path);
        return INVALID_FILE_ATTRIBUTES;
    }
    return info->attributes;
}
