#include "WriteAll.h"

#include <cerrno>
#include <unistd.h>

namespace platform {

bool WriteAll(int descriptor, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t result = ::write(descriptor, text.data() + written, text.size() - written);
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
        written += static_cast<std::size_t>(result);
    }
    return true;
}

} // namespace platform
