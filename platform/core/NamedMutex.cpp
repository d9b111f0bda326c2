#include "NamedMutex.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "FileName.h"
#include "RunFiles.h"
#include "platform/Device.h"
#include "platform/types.h"

namespace platform {

std::unique_ptr<NamedMutex> NamedMutex::Open(const std::wstring& name, bool& created) {
    created = true;
    if (name.empty()) {
        return std::unique_ptr<NamedMutex>(new NamedMutex(-1));
    }
    const std::optional<std::string> hostName = FileName::ToHost(name);
    if (!FileName::IsValid(name, false) || !hostName) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    const std::optional<std::string> folder =
        Device::Initialise() ? RunFiles::Folder("mutexes") : std::nullopt;
    const int fd =
        folder ? RunFiles::Open(*folder + "/" + *hostName + ".lock", O_RDONLY | O_CREAT) : -1;
    if (fd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) {
            close(fd);
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        created = false;
    }
    return std::unique_ptr<NamedMutex>(new NamedMutex(fd));
}

NamedMutex::~NamedMutex() {
    if (fd >= 0) {
        close(fd);
    }
}

} // namespace platform
