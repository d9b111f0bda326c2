// The X pointer through XInput 2, for desktops without a touch screen: button 1 down is the
// stylus down, and the pointer's position in screen pixels, times 4, is the raw position (in
// the screen's frame: the server has turned it with the display already). The pointer stays
// with the desktop, whose applications see every press themselves. The position is the
// pointer's when the driver reads each event, a moment after it happened.
#pragma once

#include "TouchSource.h"

struct _XDisplay;

class X11Source : public TouchSource {
  public:
    ~X11Source() override;

    // Null with the reason in error without a display or XInput 2.
    static std::unique_ptr<X11Source> Open(std::string& error);

    void Run(const Deliver& deliver, const StopSignal& stop) override;
    bool TakesInput() const override { return false; }
    AffineMap Uncalibrated() const override { return AffineMap::Identity(); }
    bool IsMouse() const override { return true; }

  private:
    explicit X11Source(_XDisplay* display, int extension);

    _XDisplay* display;
    int extension;
};
