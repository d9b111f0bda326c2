// The "Release" step: the stylus leaving the screen. It keeps no position in a macro file and is
// played where the last press or move left the stylus.
#pragma once

#include "Mouse.h"

class COMMON_EXPORT MouseLeftUp : public Mouse {
  public:
    MouseLeftUp(int x, int y);

    COMMON_HIDDEN Action* Parse(const std::string& params) override;
    COMMON_HIDDEN std::string GetKeyword() override;
    COMMON_HIDDEN std::string GetParams() override;
    COMMON_HIDDEN bool Play() override;
    // Only the very same position is not new.
    bool NotEqual(int x, int y) const override;
};
