// A map from a source's positions to calibrated quarter pixels: x' = a x + b y + c and
// y' = d x + e y + f, rounded to the nearest quarter pixel.
#pragma once

#include <optional>

class AffineMap {
  public:
    // Positions pass unchanged (sources whose raw positions are quarter pixels already).
    static AffineMap Identity();
    // Spreads the ranges [minX, maxX] and [minY, maxY] over a screen of width x height pixels,
    // the minimum at pixel 0 and the maximum at the last pixel. An empty range maps to 0.
    static AffineMap Spread(int minX, int maxX, int minY, int maxY, int width, int height);
    // The least-squares fit of count pairs, raw position to screen pixel, giving quarter pixels.
    // nullopt for fewer than 3 pairs or raw positions that do not span a plane (all on one
    // line), from which no map follows.
    static std::optional<AffineMap> Fit(int count, const int* screenX, const int* screenY,
                                        const int* rawX, const int* rawY);

    // The map applied to (x, y), each result kept within the range of int.
    void Apply(int x, int y, int& outX, int& outY) const;

  private:
    AffineMap(double a, double b, double c, double d, double e, double f);

    double a;
    double b;
    double c;
    double d;
    double e;
    double f;
};
