#include "HostError.h"

#include <cerrno>
#include <sys/stat.h>

#include "platform/files.h"

namespace platform {

namespace {

bool ParentIsFolder(const std::string& hostPath) {
    const std::size_t slash = hostPath.find_last_of('/');
    if (slash == std::string::npos) {
        return false;
    }
    struct stat status;
    return ::stat(hostPath.substr(0, slash).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

DWORD HostError::FromErrno(int error, const std::string& hostPath) {
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ParentIsFolder(hostPath) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR:
    case ELOOP:
        return ERROR_PATH_NOT_FOUND;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case EBUSY:
    case ETXTBSY:
    case ENXIO:
    case ENODEV:
        return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ERROR_DISK_FULL;
    case EXDEV:
        return ERROR_NOT_SAME_DEVICE;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    default:
        return ERROR_GEN_FAILURE;
    }
}

void HostError::Set(int error, const std::string& hostPath) {
    SetLastError(FromErrno(error, hostPath));
}

} // namespace platform
