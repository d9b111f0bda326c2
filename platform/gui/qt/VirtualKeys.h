// The device's virtual-key codes for the keys a person presses on a Qt window.
#pragma once

#include "platform/types.h"

namespace platform {

class VirtualKeys {
  public:
    // The virtual key of a Qt::Key; 0 for a key the device has no code for.
    static BYTE FromQt(int key);
};

} // namespace platform
