// What Device::Reset forgets besides the device's directory. Each part of the layer that keeps
// something made for one device (the registry connection, the injector's backend) adds its own
// forgetting when the library loads, so the device knows none of them.
#pragma once

namespace platform {

class DeviceReset {
  public:
    // Adds forget to what every later Device::Reset calls; made at namespace scope, once.
    explicit DeviceReset(void (*forget)());
    // Calls what was added, in the order it was added.
    static void ForgetAll();
};

} // namespace platform
