// A device context: where drawing goes. A memory DC draws into the bitmap selected into it
// (a 1 x 1 bitmap of its own at first); a window's DC (BeginPaint) draws into the window's
// client area.
#pragma once

#include <memory>

#include "HandleObject.h"
#include "PixelBuffer.h"
#include "platform/gdi.h"

namespace platform {

class DeviceContext : public HandleObject {
  public:
    // A memory DC, with its own 1 x 1 bitmap (owned by the DC) selected.
    DeviceContext();
    // A window's DC drawing into its client area.
    explicit DeviceContext(std::shared_ptr<PixelBuffer> windowSurface);
    ~DeviceContext() override;

    // What drawing reaches; never null.
    PixelBuffer& Target() const { return *target; }

    // Selects a bitmap (memory DCs only) or a font; returns the replaced object, null on
    // failure.
    HGDIOBJ Select(HGDIOBJ object);

  private:
    std::shared_ptr<PixelBuffer> target;
    // Memory DCs: the bitmap selected, and the DC's own first bitmap.
    HBITMAP bitmap = nullptr;
    HBITMAP ownBitmap = nullptr;
    HFONT font = nullptr;
    bool memory;
};

} // namespace platform
