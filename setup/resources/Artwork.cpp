// The setup library's shortcut icons: an "i" in a blue disc for the About shortcut, and for
// macro shortcuts a page of steps with a green play mark.
#include "Artwork.h"

namespace {

using platform::Image;

constexpr Image::Color clear{0, 0, 0, 0};
constexpr Image::Color blue{30, 90, 200};
constexpr Image::Color darkBlue{10, 50, 130};
constexpr Image::Color white{255, 255, 255};
constexpr Image::Color grey{120, 120, 120};
constexpr Image::Color lightGrey{200, 200, 200};
constexpr Image::Color green{20, 160, 60};
constexpr Image::Color darkGreen{0, 90, 30};

Image About() {
    Image image(32, 32, clear);
    image.FillDisc({16, 16}, 15, darkBlue);
    image.FillDisc({16, 16}, 13.5, blue);
    image.FillDisc({16, 8.5}, 2.5, white);
    image.FillRectangle(14, 13, 18, 25, white);
    image.FillRectangle(12, 13, 18, 15, white);
    image.FillRectangle(12, 23, 20, 25, white);
    return image;
}

Image Macro() {
    Image image(32, 32, clear);
    // The page, its top right corner folded.
    image.FillPolygon({{4, 1}, {20, 1}, {27, 8}, {27, 31}, {4, 31}}, grey);
    image.FillPolygon({{5, 2}, {19.5, 2}, {26, 8.5}, {26, 30}, {5, 30}}, white);
    image.FillPolygon({{20, 1}, {20, 8}, {27, 8}}, lightGrey);
    // The steps written on it.
    for (int line = 0; line < 4; ++line) {
        const double y = 7 + 4 * line;
        image.FillRectangle(8, y, line % 2 == 0 ? 18 : 22, y + 1.5, grey);
    }
    // The play mark over its lower right corner.
    image.FillPolygon({{14, 16}, {31, 24}, {14, 32}}, white);
    image.FillPolygon({{15.5, 18.5}, {28.5, 24}, {15.5, 29.5}}, darkGreen);
    image.FillPolygon({{16.8, 20.5}, {25.8, 24}, {16.8, 27.5}}, green);
    return image;
}

} // namespace

std::optional<Image> DrawArtwork(const std::string& name) {
    if (name == "about") {
        return About();
    }
    if (name == "macro") {
        return Macro();
    }
    return std::nullopt;
}
