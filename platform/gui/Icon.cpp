#include "Icon.h"

namespace platform {

Icon::Icon(int width, int height, std::vector<std::uint32_t> pixels)
    : width(width), height(height), pixels(std::move(pixels)) {}

std::vector<std::uint32_t> Icon::Scaled(int toWidth, int toHeight) const {
    if (toWidth == width && toHeight == height) {
        return pixels;
    }
    std::vector<std::uint32_t> scaled(static_cast<std::size_t>(toWidth) *
                                      static_cast<std::size_t>(toHeight));
    for (int y = 0; y < toHeight; ++y) {
        const int fromY = y * height / toHeight;
        for (int x = 0; x < toWidth; ++x) {
            const int fromX = x * width / toWidth;
            scaled[static_cast<std::size_t>(y) * static_cast<std::size_t>(toWidth) +
                   static_cast<std::size_t>(x)] =
                pixels[static_cast<std::size_t>(fromY) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(fromX)];
        }
    }
    return scaled;
}

} // namespace platform
