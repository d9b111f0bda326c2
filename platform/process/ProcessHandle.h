// A process handle: what OpenProcess and ShellExecuteEx hand out. It names the process by its
// identifier and holds nothing of the host's, so closing it leaves the process running, as on
// the device.
#pragma once

#include "HandleObject.h"
#include "platform/types.h"

namespace platform {

class ProcessHandle : public HandleObject {
  public:
    explicit ProcessHandle(DWORD processId) : processId(processId) {}

    DWORD ProcessId() const { return processId; }

    // A new handle for the process; null when the handle table is full.
    static HANDLE Open(DWORD processId);

  private:
    DWORD processId;
};

} // namespace platform
