#include "platform/DeviceWindows.h"

#include <atomic>

namespace platform {

namespace {

std::atomic<DeviceWindows*>& Installed() {
    static std::atomic<DeviceWindows*> windows{nullptr};
    return windows;
}

} // namespace

DeviceWindows* DeviceWindows::Current() {
    return Installed().load(std::memory_order_acquire);
}

void DeviceWindows::Set(DeviceWindows* windows) {
    Installed().store(windows, std::memory_order_release);
}

} // namespace platform
