// Something the device hands out a HANDLE for: an open file, a search, a process. Closing the
// handle destroys the object, and its destructor releases what it holds.
#pragma once

namespace platform {

class HandleObject {
  public:
    HandleObject() = default;
    HandleObject(const HandleObject&) = delete;
    HandleObject& operator=(const HandleObject&) = delete;
    virtual ~HandleObject() = default;
};

} // namespace platform
