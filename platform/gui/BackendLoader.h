// Chooses the backend that shows the device's windows (TAPWEAVE_GUI = qt | headless; qt by
// default when DISPLAY or WAYLAND_DISPLAY is set) and loads the Qt one from
// libtapweave-gui-qt.so, beside the platform library or on the library path.
#pragma once

#include "GuiBackend.h"

namespace platform {

class BackendLoader {
  public:
    // The backend to use instead of the headless one; null for headless. A failure to load Qt
    // is reported once on standard error.
    static GuiBackend* Load();

    static constexpr const char* libraryName = "libtapweave-gui-qt.so";
    static constexpr const char* entryPoint = "TapweaveCreateQtBackend";
};

} // namespace platform
