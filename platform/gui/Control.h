// What a predefined control keeps beyond a window's own state; each kind of control derives
// its state from this.
#pragma once

namespace platform {

class Control {
  public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;
};

} // namespace platform
