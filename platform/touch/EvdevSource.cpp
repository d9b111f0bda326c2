#include "EvdevSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <libevdev/libevdev.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

#include "platform/display.h"

namespace {

bool HasPosition(libevdev* device) {
    return (libevdev_has_event_code(device, EV_ABS, ABS_X) &&
            libevdev_has_event_code(device, EV_ABS, ABS_Y)) ||
           (libevdev_has_event_code(device, EV_ABS, ABS_MT_POSITION_X) &&
            libevdev_has_event_code(device, EV_ABS, ABS_MT_POSITION_Y));
}

bool IsDirectTouch(libevdev* device) {
    return libevdev_has_property(device, INPUT_PROP_DIRECT) && HasPosition(device);
}

// The event devices by number: event2 before event10.
std::vector<std::string> EventDevices() {
    std::vector<std::pair<long, std::string>> numbered;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/input", error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("event")) {
            numbered.emplace_back(std::strtol(name.c_str() + 5, nullptr, 10), entry.path());
        }
    }
    std::sort(numbered.begin(), numbered.end());
    std::vector<std::string> paths;
    for (auto& [number, path] : numbered) {
        paths.push_back(std::move(path));
    }
    return paths;
}

// The axis the position comes from: the single-touch one when there is one.
const input_absinfo* Axis(libevdev* device, unsigned single, unsigned multi) {
    const input_absinfo* axis = libevdev_get_abs_info(device, single);
    return axis ? axis : libevdev_get_abs_info(device, multi);
}

} // namespace

EvdevSource::EvdevSource(int descriptor, libevdev* device)
    : descriptor(descriptor), device(device) {}

EvdevSource::~EvdevSource() {
    libevdev_grab(device, LIBEVDEV_UNGRAB);
    libevdev_free(device);
    close(descriptor);
}

std::unique_ptr<EvdevSource> EvdevSource::Open(const std::string& path, std::string& error) {
    const std::vector<std::string> candidates =
        path.empty() ? EventDevices() : std::vector<std::string>{path};
    for (const std::string& candidate : candidates) {
        const int descriptor = open(candidate.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0) {
            if (!path.empty()) {
                error = "cannot open " + candidate + ": " + std::strerror(errno);
            }
            continue;
        }
        libevdev* device = nullptr;
        if (libevdev_new_from_fd(descriptor, &device) < 0) {
            close(descriptor);
            error = candidate + " is not an input event device";
            continue;
        }
        const bool fits = path.empty() ? IsDirectTouch(device) : HasPosition(device);
        if (!fits) {
            error = candidate + " reports no touch position";
        } else if (libevdev_grab(device, LIBEVDEV_GRAB) < 0) {
            error = candidate + " is held by another program";
        } else {
            return std::unique_ptr<EvdevSource>(new EvdevSource(descriptor, device));
        }
        libevdev_free(device);
        close(descriptor);
    }
    if (path.empty()) {
        error = "no direct-touch input device in /dev/input";
    }
    return nullptr;
}

bool EvdevSource::Present() {
    for (const std::string& candidate : EventDevices()) {
        const int descriptor = open(candidate.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0) {
            continue;
        }
        libevdev* device = nullptr;
        const bool found = libevdev_new_from_fd(descriptor, &device) == 0 && IsDirectTouch(device);
        libevdev_free(device);
        close(descriptor);
        if (found) {
            return true;
        }
    }
    return false;
}

AffineMap EvdevSource::Uncalibrated() const {
    platform::ScreenState screen = platform::Display::Current().Screen();
    if (screen.rotation == DMDO_90 || screen.rotation == DMDO_270) {
        std::swap(screen.width, screen.height);
    }
    const input_absinfo* x = Axis(device, ABS_X, ABS_MT_POSITION_X);
    const input_absinfo* y = Axis(device, ABS_Y, ABS_MT_POSITION_Y);
    return AffineMap::Spread(x->minimum, x->maximum, y->minimum, y->maximum, screen.width,
                             screen.height);
}

void EvdevSource::Run(const Deliver& deliver, const StopSignal& stop) {
    pollfd waits[2] = {{descriptor, POLLIN, 0}, {stop.Descriptor(), POLLIN, 0}};
    for (;;) {
        if (poll(waits, 2, -1) < 0 && errno != EINTR) {
            return;
        }
        if (waits[1].revents) {
            return;
        }
        unsigned flags = LIBEVDEV_READ_FLAG_NORMAL;
        for (;;) {
            input_event event{};
            const int status = libevdev_next_event(device, flags, &event);
            if (status == -EAGAIN) {
                if (flags == LIBEVDEV_READ_FLAG_SYNC) {
                    flags = LIBEVDEV_READ_FLAG_NORMAL;
                    continue;
                }
                break;
            }
            if (status < 0) {
                // The device went away.
                return;
            }
            // After a dropped stretch libevdev gives the changes to the device's state as
            // events, ending in a report, so the sampler reads them as ordinary events.
            if (status == LIBEVDEV_READ_STATUS_SYNC && flags == LIBEVDEV_READ_FLAG_NORMAL) {
                flags = LIBEVDEV_READ_FLAG_SYNC;
                continue;
            }
            TouchSample sample{};
            if (sampler.Feed(event, sample)) {
                deliver(sample);
            }
        }
    }
}
