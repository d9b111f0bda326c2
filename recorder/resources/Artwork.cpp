// The recorder's pictures: its button images, black or red marks on a yellow ground, and its
// icon, a red record dot over the path of a stylus.
#include <cmath>

#include "Artwork.h"

namespace {

using platform::Image;

constexpr Image::Color yellow{255, 216, 0};
constexpr Image::Color black{0, 0, 0};
constexpr Image::Color red{220, 20, 20};
constexpr Image::Color darkRed{150, 0, 0};
constexpr Image::Color white{255, 255, 255};
constexpr Image::Color ink{40, 70, 150};
constexpr Image::Color clear{0, 0, 0, 0};
constexpr int buttonSize = 16;

Image Button() {
    return Image(buttonSize, buttonSize, yellow);
}

Image Record() {
    Image image = Button();
    image.FillDisc({8, 8}, 5.5, red);
    return image;
}

Image Close() {
    Image image = Button();
    image.DrawLine({4.5, 4.5}, {11.5, 11.5}, 2.2, black);
    image.DrawLine({11.5, 4.5}, {4.5, 11.5}, 2.2, black);
    return image;
}

Image Pause() {
    Image image = Button();
    image.FillRectangle(4, 3, 7, 13, black);
    image.FillRectangle(9, 3, 12, 13, black);
    return image;
}

Image Stop() {
    Image image = Button();
    image.FillRectangle(4, 4, 12, 12, black);
    return image;
}

Image Icon() {
    Image image(32, 32, clear);
    // The stylus path: a wave along the lower half, from a pressed dot on the left.
    Image::Point previous{4, 24};
    for (int step = 1; step <= 32; ++step) {
        const double t = step / 32.0;
        const Image::Point next{4 + 24 * t, 24 - 3 * std::sin(t * 3 * M_PI) - 2 * t};
        image.DrawLine(previous, next, 3, ink);
        previous = next;
    }
    image.FillDisc({4, 24}, 3, ink);
    // The record dot above it, ringed in white so that it stands out from the path.
    image.FillDisc({17, 11}, 9.5, white);
    image.FillDisc({17, 11}, 8, darkRed);
    image.FillDisc({17, 11}, 7, red);
    return image;
}

} // namespace

std::optional<Image> DrawArtwork(const std::string& name) {
    if (name == "record") {
        return Record();
    }
    if (name == "close") {
        return Close();
    }
    if (name == "pause") {
        return Pause();
    }
    if (name == "stop") {
        return Stop();
    }
    if (name == "recorder") {
        return Icon();
    }
    return std::nullopt;
}
