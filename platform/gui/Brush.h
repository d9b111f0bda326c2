// A solid brush, or the null brush that paints nothing.
#pragma once

#include <optional>

#include "GdiObject.h"

namespace platform {

class Brush : public GdiObject {
  public:
    // No colour: the null brush.
    explicit Brush(std::optional<COLORREF> color) : color(color) {}

    std::optional<COLORREF> Color() const { return color; }
    // Brushes have no description the system asks for.
    int Describe(int, void*) const override { return 0; }

  private:
    std::optional<COLORREF> color;
};

} // namespace platform
