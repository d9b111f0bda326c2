#include <atomic>

#include "SystemDesktop.h"
#include "platform/windows.h"

namespace platform {

namespace {

std::atomic<Desktop*>& Override() {
    static std::atomic<Desktop*> desktop{nullptr};
    return desktop;
}

} // namespace

Desktop& Desktop::Current() {
    if (Desktop* desktop = Override().load(std::memory_order_acquire)) {
        return *desktop;
    }
    // The display is opened on first use, so a program that never asks for a window never
    // connects to it.
    static SystemDesktop real(XWindows::Open());
    return real;
}

void Desktop::Set(Desktop* desktop) {
    Override().store(desktop, std::memory_order_release);
}

} // namespace platform
