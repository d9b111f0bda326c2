// A rectangle of 32-bit pixels (0x00RRGGBB, rows top-down): the content of a bitmap or of a
// window's client area.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi.h"

namespace platform {

class PixelBuffer {
  public:
    PixelBuffer(int width, int height);

    int Width() const { return width; }
    int Height() const { return height; }
    const std::vector<std::uint32_t>& Data() const { return pixels; }

    // Keeps the pixels that still fit; new ones are white.
    void Resize(int newWidth, int newHeight);
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    std::uint32_t At(int x, int y) const { return pixels[Index(x, y)]; }
    void Set(int x, int y, std::uint32_t pixel) { pixels[Index(x, y)] = pixel; }
    // Fills the part of the rectangle inside the buffer.
    void Fill(const RECT& area, std::uint32_t pixel);
    // Copies width x height pixels from source at (sourceX, sourceY) to (x, y), clipped to both
    // buffers; overlapping copies within one buffer work.
    void Copy(int x, int y, int copyWidth, int copyHeight, const PixelBuffer& source, int sourceX,
              int sourceY);

    static std::uint32_t FromColor(COLORREF color);
    static COLORREF ToColor(std::uint32_t pixel);

  private:
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x);
    }

    int width;
    int height;
    std::vector<std::uint32_t> pixels;
};

} // namespace platform
