#include "platform/StopRequest.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

namespace {

std::atomic<bool> raised{false};
// The eventfd that wakes a wait. Made before the handlers are installed and never closed, so
// a handler always finds it whole.
std::atomic<int> wakeDescriptor{-1};

// Set and read by the thread that plays; never touched by the handler.
int (*sourceRead)(void*) = nullptr;
void* sourceContext = nullptr;

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the signal handler may only touch lock-free atomics");

void OnSignal(int) {
    const int saved = errno;
    StopRequest::Raise();
    errno = saved;
}

} // namespace

void StopRequest::CatchSignals() {
    if (wakeDescriptor.load() < 0) {
        wakeDescriptor.store(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // A write held up by a slow reader goes on after the handler; the waits never restart.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void StopRequest::Raise() {
    raised.store(true);
    if (const int descriptor = wakeDescriptor.load(); descriptor >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(descriptor, &one, sizeof one);
    }
}

bool StopRequest::Raised() {
    return raised.load();
}

int StopRequest::Descriptor() {
    return wakeDescriptor.load();
}

void StopRequest::SetSource(int (*read)(void*), void* context) {
    sourceRead = read;
    sourceContext = context;
}

int StopRequest::ReadSource() {
    return sourceRead ? sourceRead(sourceContext) : -1;
}

} // namespace platform
