// The "Press" step: the stylus touching the screen at its position.
#pragma once

#include "Mouse.h"

class COMMON_EXPORT MouseLeftDown : public Mouse {
  public:
    MouseLeftDown(int x, int y);

    COMMON_HIDDEN Action* Parse(const std::string& params) override;
    COMMON_HIDDEN std::string GetKeyword() override;
    COMMON_HIDDEN bool Play() override;
};
