#include "DescriptorIo.h"

#include <cerrno>
#include <unistd.h>

namespace platform {

bool ReadAll(int descriptor, void* buffer, std::size_t count, std::size_t& done) {
    done = 0;
    while (done < count) {
        const ssize_t result = ::read(descriptor, static_cast<char*>(buffer) + done, count - done);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result < 0) {
            return false;
        }
        if (result == 0) {
            break;
        }
        done += static_cast<std::size_t>(result);
    }
    return true;
}

bool WriteAll(int descriptor, const void* data, std::size_t count, std::size_t& done) {
    done = 0;
    while (done < count) {
        const ssize_t result =
            ::write(descriptor, static_cast<const char*>(data) + done, count - done);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result < 0) {
            return false;
        }
        if (result == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(result);
    }
    return true;
}

bool WriteAll(int descriptor, const std::string& text) {
    std::size_t done = 0;
    return WriteAll(descriptor, text.data(), text.size(), done);
}

} // namespace platform
