#include "SystemDesktop.h"
#include "platform/Seam.h"
#include "platform/windows.h"

namespace platform {

namespace {

constinit Seam<Desktop> seam;

} // namespace

Desktop& Desktop::Current() {
    // The display is opened on first use, so a program that never asks for a window never
    // connects to it.
    return seam.InstalledOr([] { return SystemDesktop(XWindows::Open()); });
}

void Desktop::Set(Desktop* desktop) {
    seam.Set(desktop);
}

} // namespace platform
