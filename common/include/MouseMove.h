// The "Move" step: the pressed stylus moving at its position.
#pragma once

#include "Mouse.h"

class COMMON_EXPORT MouseMove : public Mouse {
  public:
    MouseMove(int x, int y);

    COMMON_HIDDEN Action* Parse(const std::string& params) override;
    COMMON_HIDDEN std::string GetKeyword() override;
    COMMON_HIDDEN bool Play() override;
};
