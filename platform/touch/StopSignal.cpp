#include "StopSignal.h"

#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

StopSignal::StopSignal() : descriptor(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopSignal::~StopSignal() {
    if (descriptor >= 0) {
        close(descriptor);
    }
}

void StopSignal::Raise() {
    const std::uint64_t one = 1;
    if (write(descriptor, &one, sizeof one) < 0) {
        // Only a full counter fails, and then the signal is raised already.
        return;
    }
}

bool StopSignal::Raised() const {
    pollfd entry{descriptor, POLLIN, 0};
    return poll(&entry, 1, 0) > 0;
}
