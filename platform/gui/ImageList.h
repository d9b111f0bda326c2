// An image list: images of one size, each a copy of an icon, found by index.
#pragma once

#include <cstdint>
#include <vector>

#include "HandleObject.h"
#include "Icon.h"

namespace platform {

class ImageList : public HandleObject {
  public:
    ImageList(int width, int height);

    int Width() const { return width; }
    int Height() const { return height; }
    int Count() const { return static_cast<int>(images.size()); }
    // The image's pixels (as an icon's), null for an index out of range.
    const std::vector<std::uint32_t>* Image(int index) const;

    // Appends a copy of the icon at the list's size; its index.
    int Add(const Icon& icon);
    bool Replace(int index, const Icon& icon);
    bool Remove(int index);
    void Clear() { images.clear(); }

  private:
    int width;
    int height;
    std::vector<std::vector<std::uint32_t>> images;
};

} // namespace platform
