// The process-wide table of the HANDLEs the device hands out, whatever their kind.
//
// Handle values are small multiples of four, never null and never INVALID_HANDLE_VALUE. A
// closed value is handed out again only after the counter has gone all the way round (about a
// quarter of a billion handles later), so a stale handle does not reach a newer object.
#pragma once

#include <memory>

#include "HandleObject.h"
#include "platform/types.h"

namespace platform {

class HandleTable {
  public:
    // Takes the object and returns its new handle; null for a null object or a full table.
    static HANDLE Add(std::unique_ptr<HandleObject> object);

    // The object behind a handle when it is of kind T; null for an unknown handle or one of
    // another kind. The pointer is valid until the handle is closed: as on the device, closing
    // a handle that another thread is still using is the program's fault.
    template <class T> static T* Get(HANDLE handle) { return dynamic_cast<T*>(Find(handle)); }

    // Destroys the object behind the handle; false for an unknown handle.
    static bool Close(HANDLE handle);

  private:
    static HandleObject* Find(HANDLE handle);
};

} // namespace platform
