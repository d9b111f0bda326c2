#include "UdevAnnouncement.h"

#include <cerrno>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

// Once a reader has the node open, the kernel keeps every later event for it; this little more
// lets the desktop finish taking in the device it has just opened.
constexpr auto afterOpening = std::chrono::milliseconds(10);
constexpr auto pollStep = std::chrono::milliseconds(2);

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

} // namespace

UdevAnnouncement::UdevAnnouncement(const std::vector<std::string>& nodes, std::string udevRun)
    : udevRun(std::move(udevRun)), watch(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    for (const std::string& node : nodes) {
        struct stat status {};
        if (stat(node.c_str(), &status) == 0) {
            entries.push_back(this->udevRun + "/data/c" + std::to_string(major(status.st_rdev)) +
                              ":" + std::to_string(minor(status.st_rdev)));
        }
        if (watch >= 0) {
            inotify_add_watch(watch, node.c_str(), IN_OPEN);
        }
    }
}

UdevAnnouncement::~UdevAnnouncement() {
    if (watch >= 0) {
        close(watch);
    }
}

bool UdevAnnouncement::Opened() {
    bool opened = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t length = read(watch, buffer, sizeof buffer);
        if (length <= 0) {
            return opened;
        }
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            opened = opened || (event->mask & IN_OPEN);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

bool UdevAnnouncement::Missing() const {
    for (const std::string& entry : entries) {
        if (!Exists(entry)) {
            return true;
        }
    }
    return false;
}

// Waited for at the first event, which may come long after the devices were made: an opening
// seen then counts when udev had already announced them, as the desktop opens a device only
// once told of it.
bool UdevAnnouncement::Wait(std::string& error) {
    using Clock = std::chrono::steady_clock;
    bool announced = true;
    if (Exists(udevRun + "/control") && Missing()) {
        const Clock::time_point limit = Clock::now() + announceLimit;
        while (Missing()) {
            if (Clock::now() >= limit) {
                announced = false;
                error = "udev has not announced the uinput devices within " +
                        std::to_string(announceLimit.count()) +
                        " s; their first events may be lost";
                break;
            }
            std::this_thread::sleep_for(pollStep);
        }
        // Openings before the announcement are udev's own.
        if (watch >= 0) {
            Opened();
        }
    }
    if (watch < 0) {
        std::this_thread::sleep_for(settleLimit);
        return announced;
    }
    pollfd readable{watch, POLLIN, 0};
    const Clock::time_point limit = Clock::now() + settleLimit;
    for (;;) {
        if (Opened()) {
            std::this_thread::sleep_for(afterOpening);
            return announced;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(limit - Clock::now());
        if (left.count() <= 0 ||
            (poll(&readable, 1, static_cast<int>(left.count())) < 0 && errno != EINTR)) {
            return announced;
        }
    }
}

} // namespace platform
