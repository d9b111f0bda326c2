#include "PixelBuffer.h"

#include <algorithm>

namespace platform {

namespace {

constexpr std::uint32_t white = 0x00FFFFFFu;

int NonNegative(int value) {
    return std::max(value, 0);
}

} // namespace

PixelBuffer::PixelBuffer(int width, int height)
    : width(NonNegative(width)), height(NonNegative(height)),
      pixels(static_cast<std::size_t>(this->width) * static_cast<std::size_t>(this->height),
             white) {}

void PixelBuffer::Resize(int newWidth, int newHeight) {
    newWidth = NonNegative(newWidth);
    newHeight = NonNegative(newHeight);
    if (newWidth == width && newHeight == height) {
        return;
    }
    std::vector<std::uint32_t> resized(
        static_cast<std::size_t>(newWidth) * static_cast<std::size_t>(newHeight), white);
    const int keepWidth = std::min(width, newWidth);
    const int keepHeight = std::min(height, newHeight);
    for (int y = 0; y < keepHeight; ++y) {
        std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(Index(0, y)), keepWidth,
                    resized.begin() + static_cast<std::ptrdiff_t>(y) * newWidth);
    }
    width = newWidth;
    height = newHeight;
    pixels = std::move(resized);
}

void PixelBuffer::Fill(const RECT& area, std::uint32_t pixel) {
    const int left = std::max<int>(area.left, 0);
    const int top = std::max<int>(area.top, 0);
    const int right = std::min<int>(area.right, width);
    const int bottom = std::min<int>(area.bottom, height);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            Set(x, y, pixel);
        }
    }
}

void PixelBuffer::Copy(int x, int y, int copyWidth, int copyHeight, const PixelBuffer& source,
                       int sourceX, int sourceY) {
    // Clip against the source and the destination at once, moving both origins together.
    if (x < 0) {
        copyWidth += x;
        sourceX -= x;
        x = 0;
    }
    if (y < 0) {
        copyHeight += y;
        sourceY -= y;
        y = 0;
    }
    if (sourceX < 0) {
        copyWidth += sourceX;
        x -= sourceX;
        sourceX = 0;
    }
    if (sourceY < 0) {
        copyHeight += sourceY;
        y -= sourceY;
        sourceY = 0;
    }
    copyWidth = std::min({copyWidth, width - x, source.width - sourceX});
    copyHeight = std::min({copyHeight, height - y, source.height - sourceY});
    if (copyWidth <= 0 || copyHeight <= 0) {
        return;
    }
    // Rows in the order that never reads a row already overwritten within one buffer.
    const bool upward = &source == this && y > sourceY;
    for (int row = 0; row < copyHeight; ++row) {
        const int r = upward ? copyHeight - 1 - row : row;
        const auto from =
            source.pixels.begin() + static_cast<std::ptrdiff_t>(source.Index(sourceX, sourceY + r));
        const auto to = pixels.begin() + static_cast<std::ptrdiff_t>(Index(x, y + r));
        if (&source == this && to > from) {
            std::copy_backward(from, from + copyWidth, to + copyWidth);
        } else {
            std::copy_n(from, copyWidth, to);
        }
    }
}

std::uint32_t PixelBuffer::FromColor(COLORREF color) {
    return (static_cast<std::uint32_t>(GetRValue(color)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(color)) << 8) | GetBValue(color);
}

COLORREF PixelBuffer::ToColor(std::uint32_t pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

} // namespace platform
