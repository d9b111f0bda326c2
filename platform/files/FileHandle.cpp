#include "FileHandle.h"

#include <cerrno>
#include <unistd.h>

#include "HostError.h"
#include "platform/files.h"

namespace platform {

FileHandle::FileHandle(int descriptor, bool readable, bool writable)
    : descriptor(descriptor), readable(readable), writable(writable) {}

FileHandle::~FileHandle() {
    ::close(descriptor);
}

bool FileHandle::Read(void* buffer, DWORD count, DWORD& done) {
    done = 0;
    if (!readable) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    while (done < count) {
        const ssize_t length = ::read(descriptor, static_cast<char*>(buffer) + done, count - done);
        if (length < 0 && errno == EINTR) {
            continue;
        }
        if (length < 0) {
            HostError::Set(errno, {});
            return false;
        }
        if (length == 0) {
            break;
        }
        done += static_cast<DWORD>(length);
    }
    return true;
}

bool FileHandle::Write(const void* buffer, DWORD count, DWORD& done) {
    done = 0;
    if (!writable) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    while (done < count) {
        const ssize_t length =
            ::write(descriptor, static_cast<const char*>(buffer) + done, count - done);
        if (length < 0 && errno == EINTR) {
            continue;
        }
        if (length < 0) {
            HostError::Set(errno, {});
            return false;
        }
        if (length == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        done += static_cast<DWORD>(length);
    }
    return true;
}

} // namespace platform
