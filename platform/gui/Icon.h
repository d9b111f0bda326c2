// An icon: an image with transparency, 0xAARRGGBB pixels (alpha not premultiplied), rows
// top-down.
#pragma once

#include <cstdint>
#include <vector>

#include "HandleObject.h"

namespace platform {

class Icon : public HandleObject {
  public:
    // The pixels must number width x height.
    Icon(int width, int height, std::vector<std::uint32_t> pixels);

    int Width() const { return width; }
    int Height() const { return height; }
    const std::vector<std::uint32_t>& Pixels() const { return pixels; }
    // The image at another size, each pixel taken from the nearest one of this image.
    std::vector<std::uint32_t> Scaled(int toWidth, int toHeight) const;

  private:
    int width;
    int height;
    std::vector<std::uint32_t> pixels;
};

} // namespace platform
