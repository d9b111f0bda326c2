// The one place where the host's errno values become the device's error codes.
#pragma once

#include <string>

#include "platform/types.h"

namespace platform {

class HostError {
  public:
    // The device's code for an errno value. A missing entry (ENOENT) is ERROR_FILE_NOT_FOUND
    // when the folder that would hold hostPath exists and ERROR_PATH_NOT_FOUND when it does not,
    // as the device tells a missing file from a missing folder.
    static DWORD FromErrno(int error, const std::string& hostPath);
    // SetLastError(FromErrno(error, hostPath)).
    static void Set(int error, const std::string& hostPath);
};

} // namespace platform
