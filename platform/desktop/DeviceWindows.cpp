#include "platform/DeviceWindows.h"

#include "platform/Seam.h"

namespace platform {

namespace {

constinit Seam<DeviceWindows> seam;

} // namespace

DeviceWindows* DeviceWindows::Current() {
    return seam.Installed();
}

void DeviceWindows::Set(DeviceWindows* windows) {
    seam.Set(windows);
}

} // namespace platform
