// A mutex object of the device, known by its name to every process on it. The name is the
// file <device>/run/mutexes/<name>.lock, which the process that created the name holds under
// an exclusive flock for as long as its handle is open; the kernel lets the lock go when that
// process ends, however it ends. Only the name is kept: nobody waits on such an object here.
// Unlike the device's, the name lasts as long as its creator's handle, not as long as any.
#pragma once

#include <memory>
#include <string>

#include "HandleObject.h"

namespace platform {

class NamedMutex : public HandleObject {
  public:
    // The object of the name (an unnamed one for an empty name); created tells whether the
    // name was free. Null when the name cannot be a device file name (ERROR_INVALID_NAME) or
    // its file cannot be used.
    static std::unique_ptr<NamedMutex> Open(const std::wstring& name, bool& created);
    ~NamedMutex() override;

  private:
    explicit NamedMutex(int fd) : fd(fd) {}
    int fd;
};

} // namespace platform
