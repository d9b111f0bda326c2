#include "ImageList.h"

namespace platform {

ImageList::ImageList(int width, int height) : width(width), height(height) {}

const std::vector<std::uint32_t>* ImageList::Image(int index) const {
    if (index < 0 || index >= Count()) {
        return nullptr;
    }
    return &images[static_cast<std::size_t>(index)];
}

int ImageList::Add(const Icon& icon) {
    images.push_back(icon.Scaled(width, height));
    return Count() - 1;
}

bool ImageList::Replace(int index, const Icon& icon) {
    if (index < 0 || index >= Count()) {
        return false;
    }
    images[static_cast<std::size_t>(index)] = icon.Scaled(width, height);
    return true;
}

bool ImageList::Remove(int index) {
    if (index < 0 || index >= Count()) {
        return false;
    }
    images.erase(images.begin() + index);
    return true;
}

} // namespace platform
