// A font: the description it was created from. The on-screen backend renders text with it.
#pragma once

#include "GdiObject.h"

namespace platform {

class Font : public GdiObject {
  public:
    explicit Font(const LOGFONTW& description) : description(description) {}

    const LOGFONTW& Description() const { return description; }
    int Describe(int size, void* buffer) const override;

  private:
    LOGFONTW description;
};

} // namespace platform
