// A picture drawn at build time for a deliverable's resources: RGBA pixels, shapes painted over
// them with smooth edges, and the files the resources hold (see platform/resources.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class Image {
  public:
    struct Color {
        std::uint8_t red;
        std::uint8_t green;
        std::uint8_t blue;
        std::uint8_t alpha = 255;
        bool operator==(const Color&) const = default;
    };
    using Point = std::pair<double, double>;

    Image(int width, int height, Color background);

    int Width() const { return width; }
    int Height() const { return height; }
    Color Pixel(int x, int y) const;

    // Paints the colour over each pixel as far as the shape covers it, judged from 4 x 4 points
    // per pixel. inside(x, y) tells whether a point is in the shape; coordinates are in pixels
    // from the top-left corner of the picture, so pixel (0, 0) spans 0..1 both ways.
    void Fill(Color color, const std::function<bool(double, double)>& inside);
    void FillRectangle(double left, double top, double right, double bottom, Color color);
    void FillDisc(Point centre, double radius, Color color);
    void FillRing(Point centre, double outer, double inner, Color color);
    // A stroke of the given width with round ends.
    void DrawLine(Point from, Point to, double width, Color color);
    // A polygon, its inside by the even-odd rule.
    void FillPolygon(const std::vector<Point>& corners, Color color);

    // The picture as a Windows .bmp file, 24 bits per pixel: its alpha is dropped, so a bitmap
    // is drawn on an opaque ground.
    std::string Bitmap() const;
    // The picture as an icon resource: width, height, then RGBA pixels, rows top-down.
    std::string Icon() const;
    // The picture as a PAM file (RGB_ALPHA), for looking at with an image viewer.
    std::string Pam() const;

  private:
    int width;
    int height;
    std::vector<Color> pixels;
};

} // namespace platform
