#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "FileHandle.h"
#include "HandleTable.h"
#include "HostError.h"
#include "PathResolver.h"
#include "platform/files.h"

namespace {

// The open flags for a disposition, or -1 for an unknown one.
int DispositionFlags(DWORD creationDisposition) {
    switch (creationDisposition) {
    case CREATE_NEW:
        return O_CREAT | O_EXCL;
    case CREATE_ALWAYS:
        return O_CREAT | O_TRUNC;
    case OPEN_EXISTING:
        return 0;
    case OPEN_ALWAYS:
        return O_CREAT;
    case TRUNCATE_EXISTING:
        return O_TRUNC;
    default:
        return -1;
    }
}

HANDLE Fail(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

} // namespace

// Sharing modes, security attributes, flags and templates have no meaning on the host and are
// ignored: any number of handles may have a file open at once.
HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD, HANDLE) {
    const int disposition = DispositionFlags(creationDisposition);
    const bool readable = desiredAccess & GENERIC_READ;
    const bool writable = desiredAccess & GENERIC_WRITE;
    if (!fileName || disposition < 0 || (creationDisposition == TRUNCATE_EXISTING && !writable)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const std::optional<std::string> path = platform::PathResolver::Resolve(fileName);
    if (!path) {
        return INVALID_HANDLE_VALUE;
    }
    struct stat status;
    const bool existed = ::lstat(path->c_str(), &status) == 0;
    // A link that leads nowhere is not followed to create its target, which may lie anywhere.
    if (existed && S_ISLNK(status.st_mode) && ::stat(path->c_str(), &status) != 0 &&
        (disposition & O_CREAT)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    const int access = readable && writable ? O_RDWR : writable ? O_WRONLY : O_RDONLY;
    // Not blocking, so that a pipe or device placed in the device's folders is refused below
    // instead of hanging the caller.
    const int descriptor =
        ::open(path->c_str(), access | disposition | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (descriptor < 0) {
        const int error = errno;
        return Fail(error == EEXIST ? ERROR_FILE_EXISTS
                                    : platform::HostError::FromErrno(error, *path));
    }
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(descriptor);
        return Fail(ERROR_ACCESS_DENIED);
    }
    const HANDLE handle = platform::HandleTable::Add(
        std::make_unique<platform::FileHandle>(descriptor, readable, writable));
    if (!handle) {
        return Fail(ERROR_TOO_MANY_OPEN_FILES);
    }
    const bool reportExisting =
        existed && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS);
    SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

// The device has no overlapped input and output; the argument is ignored.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED) {
    if (bytesRead) {
        *bytesRead = 0;
    }
    platform::FileHandle* handle = platform::HandleTable::Get<platform::FileHandle>(file);
    if (!handle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!buffer && bytesToRead > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD done = 0;
    const bool read = handle->Read(buffer, bytesToRead, done);
    if (bytesRead) {
        *bytesRead = done;
    }
    return read ? TRUE : FALSE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED) {
    if (bytesWritten) {
        *bytesWritten = 0;
    }
    platform::FileHandle* handle = platform::HandleTable::Get<platform::FileHandle>(file);
    if (!handle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!buffer && bytesToWrite > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD done = 0;
    const bool written = handle->Write(buffer, bytesToWrite, done);
    if (bytesWritten) {
        *bytesWritten = done;
    }
    return written ? TRUE : FALSE;
}
