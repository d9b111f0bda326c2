#include "Font.h"

#include <cstring>

namespace platform {

int Font::Describe(int size, void* buffer) const {
    if (!buffer) {
        return static_cast<int>(sizeof description);
    }
    if (size < static_cast<int>(sizeof description)) {
        return 0;
    }
    std::memcpy(buffer, &description, sizeof description);
    return static_cast<int>(sizeof description);
}

} // namespace platform
