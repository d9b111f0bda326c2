// Where the driver's samples come from (TAPWEAVE_TOUCH): a touch screen through evdev, a mouse
// or touchpad through evdev (where the X pointer sees nothing, as under Wayland), the X
// pointer, or a touch script.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "AffineMap.h"
#include "StopSignal.h"
#include "TouchSample.h"

class TouchSource {
  public:
    using Deliver = std::function<void(const TouchSample&)>;

    virtual ~TouchSource() = default;
    // Runs on the driver's thread, handing each raw sample to deliver, until the source has no
    // more samples or stop is raised.
    virtual void Run(const Deliver& deliver, const StopSignal& stop) = 0;
    // Whether the source takes the input away from the desktop (a grabbed touch screen); when it
    // does not, the desktop's applications have had every sample already.
    virtual bool TakesInput() const = 0;
    // How raw positions become quarter pixels until a calibration is set.
    virtual AffineMap Uncalibrated() const = 0;
    // Whether the source is a mouse, whose positions are screen pixels already turned with the
    // display and need no calibration, rather than a panel.
    virtual bool IsMouse() const { return false; }

    // The source a TAPWEAVE_TOUCH value names ("evdev", "evdev:PATH", "evdev-pointer",
    // "evdev-pointer:PATH", "x11", "script:PATH"), or for an empty value the touch screens,
    // else the X pointer. Null with the reason in error when the value is malformed or the
    // source cannot start.
    static std::unique_ptr<TouchSource> Open(const std::string& spec, std::string& error);
};
