// The process's one QApplication, made on the thread that first shows a window.
#pragma once

namespace platform {

class QtApplication {
  public:
    // Makes the QApplication on the calling thread unless it exists; false when no display can
    // be opened (Qt would end the process rather than run without one).
    static bool Start();
};

} // namespace platform
