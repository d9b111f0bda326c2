// A bitmap: its pixels, and the colour depth it reports (a 24-bit image reports 24, though its
// pixels are held at 32 bits like every other). Selected into at most one memory DC at a time.
#pragma once

#include <memory>

#include "GdiObject.h"
#include "PixelBuffer.h"

namespace platform {

class Bitmap : public GdiObject {
  public:
    Bitmap(int width, int height, WORD bitsPerPixel);

    const std::shared_ptr<PixelBuffer>& Pixels() const { return pixels; }
    bool IsSelected() const { return selected; }
    void SetSelected(bool isSelected) { selected = isSelected; }
    int Describe(int size, void* buffer) const override;

  private:
    std::shared_ptr<PixelBuffer> pixels;
    WORD bitsPerPixel;
    bool selected = false;
};

} // namespace platform
