// Something GDI hands out a handle for (a font, a bitmap, a brush), kept in the device's handle
// table so that a stale or foreign handle is refused. Stock objects live for the process.
#pragma once

#include "HandleObject.h"
#include "platform/gdi.h"

namespace platform {

class GdiObject : public HandleObject {
  public:
    bool IsStock() const { return stock; }
    void MakeStock() { stock = true; }

    // What GetObjectW writes for the object: the bytes written, 0 when the buffer is too small.
    virtual int Describe(int size, void* buffer) const = 0;

  private:
    bool stock = false;
};

} // namespace platform
