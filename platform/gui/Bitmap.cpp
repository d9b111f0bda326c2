#include "Bitmap.h"

#include <cstring>

namespace platform {

Bitmap::Bitmap(int width, int height, WORD bitsPerPixel)
    : pixels(std::make_shared<PixelBuffer>(width, height)), bitsPerPixel(bitsPerPixel) {}

int Bitmap::Describe(int size, void* buffer) const {
    if (!buffer) {
        return static_cast<int>(sizeof(BITMAP));
    }
    if (size < static_cast<int>(sizeof(BITMAP))) {
        return 0;
    }
    BITMAP description{};
    description.bmWidth = pixels->Width();
    description.bmHeight = pixels->Height();
    // Rows of the device's bitmaps are padded to 16 bits.
    description.bmWidthBytes = ((pixels->Width() * bitsPerPixel + 15) / 16) * 2;
    description.bmPlanes = 1;
    description.bmBitsPixel = bitsPerPixel;
    std::memcpy(buffer, &description, sizeof description);
    return static_cast<int>(sizeof description);
}

} // namespace platform
