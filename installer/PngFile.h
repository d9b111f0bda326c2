// A picture as a PNG file, for the desktop's icon theme: 8-bit RGBA, its image data in stored
// (uncompressed) deflate blocks, which every PNG reader takes and which needs no compressor
// for icons of a few kilobytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// rgba: width x height pixels of 4 bytes (red, green, blue, alpha), rows top-down. Empty when
// the pixels do not fill the picture.
std::string PngFile(int width, int height, const std::vector<std::uint8_t>& rgba);
