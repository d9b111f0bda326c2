// What happens to a window of this process when it is shown, brought to the front or loses the
// front, wherever the request comes from (this thread, another thread, another process).
#pragma once

#include <optional>

#include "platform/gui.h"

namespace platform {

class WindowActions {
  public:
    // ShowWindow: whether it was visible before; nullopt for a window not of this process.
    // Showing invalidates the window; a top-level window also goes on top of the others.
    static std::optional<bool> Show(HWND hwnd, int command);
    // SetForegroundWindow for a window of this process (a child brings its top-level window):
    // records it as the device's front window, sends WM_ACTIVATE with WA_INACTIVE to the
    // previous front window (of any process) and WA_ACTIVE to the new one; nothing when it was
    // in front already. A window of the calling thread gets its message at once; a window of
    // another thread when that thread next looks at its queue.
    static bool Activate(HWND hwnd);
    // No device window is in front any more; the previous front window gets WA_INACTIVE.
    static void Deactivate();
    // The device's front window: the recorded one while it exists and is visible.
    static HWND Foreground();
    // Delivers WM_ACTIVATE without waiting: at once on the window's own thread, through its
    // queue on another thread, through the process channel for another process.
    static void DeliverActivation(HWND hwnd, WPARAM state, HWND other);
};

} // namespace platform
