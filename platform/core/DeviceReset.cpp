#include "DeviceReset.h"

#include <vector>

namespace platform {

namespace {

std::vector<void (*)()>& Forgets() {
    static std::vector<void (*)()> forgets;
    return forgets;
}

} // namespace

DeviceReset::DeviceReset(void (*forget)()) {
    Forgets().push_back(forget);
}

void DeviceReset::ForgetAll() {
    for (void (*forget)() : Forgets()) {
        forget();
    }
}

} // namespace platform
