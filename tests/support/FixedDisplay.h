// A screen of a given size, in place while the object lives.
#pragma once

#include "platform/display.h"

class FixedDisplay : public platform::Display {
  public:
    FixedDisplay(int width, int height) : screen{width, height, DMDO_0} { Set(this); }
    ~FixedDisplay() override { Set(nullptr); }
    FixedDisplay(const FixedDisplay&) = delete;
    FixedDisplay& operator=(const FixedDisplay&) = delete;

    platform::ScreenState Screen() override { return screen; }

    platform::ScreenState screen;
};
