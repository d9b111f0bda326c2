#include "FileHandle.h"

#include <cerrno>
#include <unistd.h>

#include "DescriptorIo.h"
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
    std::size_t read = 0;
    const bool succeeded = ReadAll(descriptor, buffer, count, read);
    done = static_cast<DWORD>(read);
    if (!succeeded) {
        HostError::Set(errno, {});
    }
    return succeeded;
}

bool FileHandle::Write(const void* buffer, DWORD count, DWORD& done) {
    done = 0;
    if (!writable) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    std::size_t written = 0;
    const bool succeeded = WriteAll(descriptor, buffer, count, written);
    done = static_cast<DWORD>(written);
    if (!succeeded) {
        HostError::Set(errno, {});
    }
    return succeeded;
}

} // namespace platform
