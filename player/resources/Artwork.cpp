// The player's icon: a green play triangle over the rings of a tap.
#include "Artwork.h"

namespace {

using platform::Image;

constexpr Image::Color clear{0, 0, 0, 0};
constexpr Image::Color ink{40, 70, 150};
constexpr Image::Color green{20, 160, 60};
constexpr Image::Color darkGreen{0, 90, 30};
constexpr Image::Color white{255, 255, 255};

Image Icon() {
    Image image(32, 32, clear);
    // The tap: a dot with two rings around it, in the lower left.
    const Image::Point tap{10, 22};
    image.FillDisc(tap, 2.5, ink);
    image.FillRing(tap, 6, 4.5, ink);
    image.FillRing(tap, 9.5, 8, ink);
    // The play triangle in the upper right, edged in white and dark green, pointing right.
    image.FillPolygon({{12, 0}, {32, 11}, {12, 22}}, white);
    image.FillPolygon({{14, 3}, {29, 11}, {14, 19}}, darkGreen);
    image.FillPolygon({{15.5, 5.5}, {26.5, 11}, {15.5, 16.5}}, green);
    return image;
}

} // namespace

std::optional<Image> DrawArtwork(const std::string& name) {
    if (name == "player") {
        return Icon();
    }
    return std::nullopt;
}
