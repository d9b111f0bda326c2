#pragma once

#include "RegistryStore.h"
#include "platform/types.h"

namespace platform {

// The registry key handles this process has handed out, each naming one key of the database.
// The roots are fixed handles that are always open.
class RegistryKeys {
  public:
    // The key a root or an open handle names; false for any other handle.
    static bool Find(HKEY handle, RegistryStore::Key& key);
    // A new handle to the key, never equal to a root or to any handle given before.
    static HKEY Add(RegistryStore::Key key);
    // True for an open handle, which it closes, and for a root, which stays open.
    static bool Close(HKEY handle);
    // Forgets every open handle: they named keys of the device the process has left.
    static void Clear();
};

} // namespace platform
