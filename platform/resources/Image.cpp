#include "Image.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr int samples = 4;

void PutNumber(std::string& out, std::uint32_t value, int bytes) {
    for (int index = 0; index < bytes; ++index) {
        out += static_cast<char>((value >> (8 * index)) & 0xFF);
    }
}

double DistanceToSegment(Image::Point point, Image::Point from, Image::Point to) {
    const double dx = to.first - from.first;
    const double dy = to.second - from.second;
    const double length = dx * dx + dy * dy;
    double t = length == 0
                   ? 0
                   : ((point.first - from.first) * dx + (point.second - from.second) * dy) / length;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(point.first - (from.first + t * dx), point.second - (from.second + t * dy));
}

} // namespace

Image::Image(int width, int height, Color background)
    : width(width), height(height),
      pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), background) {}

Image::Color Image::Pixel(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
}

void Image::Fill(Color color, const std::function<bool(double, double)>& inside) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int covered = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    covered += inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples) ? 1 : 0;
                }
            }
            if (covered == 0) {
                continue;
            }
            // Source over destination, with the colour's alpha scaled by the coverage.
            Color& pixel = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                  static_cast<std::size_t>(x)];
            const double source = color.alpha / 255.0 * covered / (samples * samples);
            const double below = pixel.alpha / 255.0;
            const double alpha = source + below * (1 - source);
            const auto mix = [&](std::uint8_t top, std::uint8_t bottom) {
                const double value = (top * source + bottom * below * (1 - source)) / alpha;
                return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
            };
            pixel = {mix(color.red, pixel.red), mix(color.green, pixel.green),
                     mix(color.blue, pixel.blue),
                     static_cast<std::uint8_t>(std::lround(alpha * 255))};
        }
    }
}

void Image::FillRectangle(double left, double top, double right, double bottom, Color color) {
    Fill(color,
         [=](double x, double y) { return x >= left && x < right && y >= top && y < bottom; });
}

void Image::FillDisc(Point centre, double radius, Color color) {
    Fill(color, [=](double x, double y) {
        return std::hypot(x - centre.first, y - centre.second) <= radius;
    });
}

void Image::FillRing(Point centre, double outer, double inner, Color color) {
    Fill(color, [=](double x, double y) {
        const double distance = std::hypot(x - centre.first, y - centre.second);
        return distance <= outer && distance >= inner;
    });
}

void Image::DrawLine(Point from, Point to, double width, Color color) {
    Fill(color, [=](double x, double y) {
        return DistanceToSegment({x, y}, from, to) <= width / 2;
    });
}

void Image::FillPolygon(const std::vector<Point>& corners, Color color) {
    Fill(color, [&](double x, double y) {
        bool inside = false;
        for (std::size_t index = 0, previous = corners.size() - 1; index < corners.size();
             previous = index++) {
            const auto [x1, y1] = corners[index];
            const auto [x2, y2] = corners[previous];
            if ((y1 > y) != (y2 > y) && x < (x2 - x1) * (y - y1) / (y2 - y1) + x1) {
                inside = !inside;
            }
        }
        return inside;
    });
}

std::string Image::Bitmap() const {
    const std::uint32_t rowSize = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
    const std::uint32_t dataSize = rowSize * static_cast<std::uint32_t>(height);
    constexpr std::uint32_t headersSize = 14 + 40;
    std::string out;
    // BITMAPFILEHEADER
    out += "BM";
    PutNumber(out, headersSize + dataSize, 4);
    PutNumber(out, 0, 4);
    PutNumber(out, headersSize, 4);
    // BITMAPINFOHEADER: bottom-up rows, no compression, 72 dots per inch.
    PutNumber(out, 40, 4);
    PutNumber(out, static_cast<std::uint32_t>(width), 4);
    PutNumber(out, static_cast<std::uint32_t>(height), 4);
    PutNumber(out, 1, 2);
    PutNumber(out, 24, 2);
    PutNumber(out, 0, 4);
    PutNumber(out, dataSize, 4);
    PutNumber(out, 2835, 4);
    PutNumber(out, 2835, 4);
    PutNumber(out, 0, 4);
    PutNumber(out, 0, 4);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const Color pixel = Pixel(x, y);
            out += static_cast<char>(pixel.blue);
            out += static_cast<char>(pixel.green);
            out += static_cast<char>(pixel.red);
        }
        out.append(rowSize - static_cast<std::uint32_t>(width) * 3, '\0');
    }
    return out;
}

std::string Image::Icon() const {
    std::string out;
    PutNumber(out, static_cast<std::uint32_t>(width), 4);
    PutNumber(out, static_cast<std::uint32_t>(height), 4);
    for (const Color& pixel : pixels) {
        out += static_cast<char>(pixel.red);
        out += static_cast<char>(pixel.green);
        out += static_cast<char>(pixel.blue);
        out += static_cast<char>(pixel.alpha);
    }
    return out;
}

std::string Image::Pam() const {
    std::string out = "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
                      "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    for (const Color& pixel : pixels) {
        out += static_cast<char>(pixel.red);
        out += static_cast<char>(pixel.green);
        out += static_cast<char>(pixel.blue);
        out += static_cast<char>(pixel.alpha);
    }
    return out;
}

} // namespace platform
