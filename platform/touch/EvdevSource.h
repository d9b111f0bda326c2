// Touch screens and tablets, or a mouse or touchpad, through libevdev, grabbed so that the
// desktop sees only what the recorder replays. Several touch devices of one screen (a pen
// display's pen and its touch) are read together, one stroke at a time, their positions in the
// first device's range. Until calibrated, that range is spread over the screen (in the panel's
// own, unrotated frame). A mouse or touchpad gives screen positions the recorder keeps itself.
// A device that goes away ends the samples, with a word on standard error.
#pragma once

#include <functional>
#include <linux/input.h>
#include <variant>
#include <vector>

#include "EvdevPointerSampler.h"
#include "EvdevSampler.h"
#include "TouchSource.h"

struct libevdev;

class EvdevSource : public TouchSource {
  public:
    using Sampler = std::variant<EvdevSampler, EvdevPointerSampler>;
    // libevdev_next_event over one device: a LIBEVDEV_READ_STATUS_* with the event, or a
    // negative errno (-EAGAIN when nothing is ready).
    using NextEvent = std::function<int(unsigned flags, input_event& event)>;

    ~EvdevSource() override;

    // The device at path, or for an empty path every touch screen and pen display (as udev
    // tags them). Null with the reason in error when there is none, it cannot be opened (a
    // touch screen that cannot for want of permission is named with the fix), has no position
    // axes or is grabbed by another program.
    static std::unique_ptr<EvdevSource> Open(const std::string& path, std::string& error);
    // The mouse or touchpad at path, or for an empty path the first one.
    static std::unique_ptr<EvdevSource> OpenPointer(const std::string& path, std::string& error);
    // Whether some touch screen can be opened.
    static bool Present();
    // The touch screens that exist but cannot be opened for want of permission, named with the
    // fix; empty when there are none.
    static std::string Unreadable();
    // Why path cannot be opened, for want of permission, and what gives it.
    static std::string PermissionAdvice(const std::string& path);
    // A source over events from elsewhere than a device node: next gives them as libevdev
    // would, once descriptor is readable. The source closes descriptor.
    static std::unique_ptr<EvdevSource> Over(const std::string& name, int descriptor,
                                             NextEvent next, Sampler sampler);

    // Hands take every event next has ready, through the resync libevdev makes after the
    // kernel dropped events (SYN_DROPPED): the device's state then comes as events ending in a
    // report, so whoever reads them follows it. 0 once nothing more is ready, else the error
    // (-ENODEV for a device unplugged).
    static int ReadReady(const NextEvent& next,
                         const std::function<void(const input_event&)>& take);

    void Run(const Deliver& deliver, const StopSignal& stop) override;
    bool TakesInput() const override { return true; }
    AffineMap Uncalibrated() const override;
    bool IsMouse() const override;

  private:
    struct Device {
        std::string path;
        int descriptor;
        libevdev* device;
        NextEvent next;
        Sampler sampler;
        // The ranges of its position axes, which the first device's take in for all.
        int minX = 0;
        int maxX = 0;
        int minY = 0;
        int maxY = 0;
    };

    explicit EvdevSource(std::vector<Device> devices);
    // The device at path, or for an empty path every touch screen (the first mouse or
    // touchpad for a pointer), grabbed, each with its sampler.
    static std::unique_ptr<EvdevSource> OpenDevices(const std::string& path, bool pointer,
                                                    std::string& error);

    std::vector<Device> devices;
};
