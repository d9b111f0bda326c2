#include "EvdevSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <libevdev/libevdev.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "EvdevKind.h"
#include "StrokeMerge.h"
#include "platform/display.h"

namespace {

constexpr const char* inputDirectory = "/dev/input";

// The event devices by number: event2 before event10.
std::vector<std::string> EventDevices() {
    std::vector<std::pair<long, std::string>> numbered;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(inputDirectory, error)) {
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

// Whether the device at path, which cannot be opened, is a touch screen by what the kernel
// tells everyone about it.
bool IsUnreadableTouchScreen(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    libevdev* described = DescribeFromSysfs("/sys/class/input/" + name + "/device");
    const bool touch = described && RecordsTouch(described);
    libevdev_free(described);
    return touch;
}

// The axis the position comes from: the single-touch one when there is one.
const input_absinfo* Axis(const libevdev* device, unsigned single, unsigned multi) {
    const input_absinfo* axis = libevdev_get_abs_info(device, single);
    return axis ? axis : libevdev_get_abs_info(device, multi);
}

// A touch device's sampler, starting from the state the device is in.
EvdevSource::Sampler TouchSampler(libevdev* device) {
    const int count = libevdev_get_num_slots(device);
    if (count <= 0) {
        return EvdevSampler(libevdev_get_event_value(device, EV_ABS, ABS_X),
                            libevdev_get_event_value(device, EV_ABS, ABS_Y));
    }
    std::vector<EvdevSampler::Contact> slots(static_cast<std::size_t>(count));
    for (int slot = 0; slot < count; ++slot) {
        slots[static_cast<std::size_t>(slot)] = {
            libevdev_get_slot_value(device, static_cast<unsigned>(slot), ABS_MT_TRACKING_ID),
            libevdev_get_slot_value(device, static_cast<unsigned>(slot), ABS_MT_POSITION_X),
            libevdev_get_slot_value(device, static_cast<unsigned>(slot), ABS_MT_POSITION_Y)};
    }
    return EvdevSampler(std::move(slots), libevdev_get_current_slot(device));
}

EvdevSource::Sampler PointerSampler(libevdev* device) {
    const platform::ScreenState screen = platform::Display::Current().Screen();
    const input_absinfo* pad = libevdev_get_abs_info(device, ABS_X);
    if (!libevdev_has_event_code(device, EV_REL, REL_X) && pad) {
        return EvdevPointerSampler(screen.width, screen.height, pad->maximum - pad->minimum,
                                   libevdev_get_event_value(device, EV_ABS, ABS_X),
                                   libevdev_get_event_value(device, EV_ABS, ABS_Y));
    }
    return EvdevPointerSampler(screen.width, screen.height);
}

// value in [fromMin, fromMax] put at the same place in [toMin, toMax].
int Rescale(int value, int fromMin, int fromMax, int toMin, int toMax) {
    if (fromMin == toMin && fromMax == toMax) {
        return value;
    }
    if (fromMax == fromMin) {
        return toMin;
    }
    return toMin + static_cast<int>(static_cast<long long>(value - fromMin) * (toMax - toMin) /
                                    (fromMax - fromMin));
}

} // namespace

EvdevSource::EvdevSource(std::vector<Device> devices) : devices(std::move(devices)) {}

EvdevSource::~EvdevSource() {
    for (const Device& device : devices) {
        if (device.device) {
            libevdev_grab(device.device, LIBEVDEV_UNGRAB);
            libevdev_free(device.device);
        }
        close(device.descriptor);
    }
}

std::unique_ptr<EvdevSource> EvdevSource::OpenDevices(const std::string& path, bool pointer,
                                                      std::string& error) {
    const auto fits = [&](const libevdev* device) {
        return pointer        ? RecordsPointer(device)
               : path.empty() ? RecordsTouch(device)
                              : FollowsTouch(device);
    };
    const std::string what = pointer ? "mouse or touchpad" : "touch screen";
    std::vector<Device> opened;
    std::string held;
    const std::vector<std::string> candidates =
        path.empty() ? EventDevices() : std::vector<std::string>{path};
    for (const std::string& candidate : candidates) {
        const int descriptor = open(candidate.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0) {
            if (!path.empty()) {
                error = errno == EACCES || errno == EPERM
                            ? PermissionAdvice(candidate)
                            : "cannot open " + candidate + ": " + std::strerror(errno);
            }
            continue;
        }
        libevdev* device = nullptr;
        if (libevdev_new_from_fd(descriptor, &device) < 0) {
            close(descriptor);
            error = candidate + " is not an input event device";
            continue;
        }
        if (!fits(device)) {
            error = candidate + (pointer ? " is not a mouse or touchpad"
                                         : " reports no touch position to follow");
        } else if (libevdev_grab(device, LIBEVDEV_GRAB) < 0) {
            held = error = candidate + " is held by another program";
        } else {
            const input_absinfo* x = Axis(device, ABS_X, ABS_MT_POSITION_X);
            const input_absinfo* y = Axis(device, ABS_Y, ABS_MT_POSITION_Y);
            opened.push_back(Device{candidate, descriptor, device,
                                    [device](unsigned flags, input_event& event) {
                                        return libevdev_next_event(device, flags, &event);
                                    },
                                    pointer ? PointerSampler(device) : TouchSampler(device),
                                    x ? x->minimum : 0, x ? x->maximum : 0, y ? y->minimum : 0,
                                    y ? y->maximum : 0});
            if (pointer) {
                break;
            }
            continue;
        }
        libevdev_free(device);
        close(descriptor);
    }
    if (opened.empty()) {
        if (path.empty()) {
            const std::string unreadable = pointer ? std::string() : Unreadable();
            error = !unreadable.empty() ? unreadable
                    : !held.empty()     ? held
                                        : "no " + what + " in " + inputDirectory;
        }
        return nullptr;
    }
    return std::unique_ptr<EvdevSource>(new EvdevSource(std::move(opened)));
}

std::unique_ptr<EvdevSource> EvdevSource::Open(const std::string& path, std::string& error) {
    return OpenDevices(path, false, error);
}

std::unique_ptr<EvdevSource> EvdevSource::OpenPointer(const std::string& path, std::string& error) {
    return OpenDevices(path, true, error);
}

std::unique_ptr<EvdevSource> EvdevSource::Over(const std::string& name, int descriptor,
                                               NextEvent next, Sampler sampler) {
    std::vector<Device> devices;
    devices.push_back(Device{name, descriptor, nullptr, std::move(next), std::move(sampler)});
    return std::unique_ptr<EvdevSource>(new EvdevSource(std::move(devices)));
}

bool EvdevSource::Present() {
    for (const std::string& candidate : EventDevices()) {
        const int descriptor = open(candidate.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0) {
            continue;
        }
        libevdev* device = nullptr;
        const bool found = libevdev_new_from_fd(descriptor, &device) == 0 && RecordsTouch(device);
        libevdev_free(device);
        close(descriptor);
        if (found) {
            return true;
        }
    }
    return false;
}

std::string EvdevSource::Unreadable() {
    std::string advice;
    for (const std::string& candidate : EventDevices()) {
        if (access(candidate.c_str(), R_OK) != 0 && (errno == EACCES || errno == EPERM) &&
            IsUnreadableTouchScreen(candidate)) {
            advice += (advice.empty() ? "the touch screen " : "; the touch screen ") +
                      PermissionAdvice(candidate);
        }
    }
    return advice;
}

std::string EvdevSource::PermissionAdvice(const std::string& path) {
    struct stat status {};
    const group* owner = stat(path.c_str(), &status) == 0 ? getgrgid(status.st_gid) : nullptr;
    const std::string name = owner ? owner->gr_name : "input";
    return path + " cannot be read (permission denied): add yourself to its group " + name +
           " (sudo usermod -aG " + name + " $USER) and log in again";
}

AffineMap EvdevSource::Uncalibrated() const {
    if (IsMouse() || !devices.front().device) {
        return AffineMap::Identity();
    }
    platform::ScreenState screen = platform::Display::Current().Screen();
    if (screen.rotation == DMDO_90 || screen.rotation == DMDO_270) {
        std::swap(screen.width, screen.height);
    }
    const Device& first = devices.front();
    return AffineMap::Spread(first.minX, first.maxX, first.minY, first.maxY, screen.width,
                             screen.height);
}

bool EvdevSource::IsMouse() const {
    return std::holds_alternative<EvdevPointerSampler>(devices.front().sampler);
}

int EvdevSource::ReadReady(const NextEvent& next,
                           const std::function<void(const input_event&)>& take) {
    unsigned flags = LIBEVDEV_READ_FLAG_NORMAL;
    for (;;) {
        input_event event{};
        const int status = next(flags, event);
        if (status == -EAGAIN) {
            if (flags == LIBEVDEV_READ_FLAG_NORMAL) {
                return 0;
            }
            // The resync is over; what follows is read as it comes.
            flags = LIBEVDEV_READ_FLAG_NORMAL;
            continue;
        }
        if (status < 0) {
            return status;
        }
        // SYN_DROPPED: asking for the resync gets it; reading on normally would have libevdev
        // drop it, leaving the reader with the state from before the drop.
        if (status == LIBEVDEV_READ_STATUS_SYNC && flags == LIBEVDEV_READ_FLAG_NORMAL) {
            flags = LIBEVDEV_READ_FLAG_SYNC;
            continue;
        }
        take(event);
    }
}

void EvdevSource::Run(const Deliver& deliver, const StopSignal& stop) {
    std::vector<pollfd> waits;
    for (const Device& device : devices) {
        waits.push_back({device.descriptor, POLLIN, 0});
    }
    waits.push_back({stop.Descriptor(), POLLIN, 0});
    StrokeMerge merge(devices.size());
    const Device& first = devices.front();
    // Each device's sample in the first device's range, into the one stream.
    const auto pass = [&](std::size_t index, TouchSample sample) {
        const Device& from = devices[index];
        sample.x = Rescale(sample.x, from.minX, from.maxX, first.minX, first.maxX);
        sample.y = Rescale(sample.y, from.minY, from.maxY, first.minY, first.maxY);
        if (merge.Take(index, sample)) {
            deliver(sample);
        }
    };
    for (;;) {
        if (poll(waits.data(), waits.size(), -1) < 0 && errno != EINTR) {
            return;
        }
        if (waits.back().revents) {
            return;
        }
        for (std::size_t index = 0; index < devices.size(); ++index) {
            if (!waits[index].revents) {
                continue;
            }
            Device& device = devices[index];
            const int status = ReadReady(device.next, [&](const input_event& event) {
                TouchSample sample{};
                if (std::visit([&](auto& sampler) { return sampler.Feed(event, sample); },
                               device.sampler)) {
                    pass(index, sample);
                }
            });
            if (status < 0) {
                // A stroke the device leaves open is lifted where it was, so that the desktop
                // is not left with the stylus down.
                TouchSample sample{};
                if (std::visit([&](auto& sampler) { return sampler.Lift(sample); },
                               device.sampler)) {
                    pass(index, sample);
                }
                const std::string what =
                    status == -ENODEV ? "was unplugged"
                                      : "cannot be read: " + std::string(std::strerror(-status));
                std::fprintf(stderr, "touch: %s %s; no more samples come from it\n",
                             device.path.c_str(), what.c_str());
                return;
            }
        }
    }
}
