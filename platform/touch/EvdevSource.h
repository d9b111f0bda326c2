// A touch screen or tablet through libevdev, grabbed so that the desktop sees only what the
// recorder replays. Until calibrated, its axis ranges are spread over the screen (in the panel's
// own, unrotated frame).
#pragma once

#include "EvdevSampler.h"
#include "TouchSource.h"

struct libevdev;

class EvdevSource : public TouchSource {
  public:
    ~EvdevSource() override;

    // The device at path, or for an empty path the first direct-touch device (by event number).
    // Null with the reason in error when there is none, it cannot be opened, has no position
    // axes or is grabbed by another program.
    static std::unique_ptr<EvdevSource> Open(const std::string& path, std::string& error);
    // Whether some direct-touch device can be opened.
    static bool Present();

    void Run(const Deliver& deliver, const StopSignal& stop) override;
    bool TakesInput() const override { return true; }
    AffineMap Uncalibrated() const override;

  private:
    EvdevSource(int descriptor, libevdev* device);

    int descriptor;
    libevdev* device;
    EvdevSampler sampler;
};
