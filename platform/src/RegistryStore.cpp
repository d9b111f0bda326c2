#include "RegistryStore.h"

namespace platform {

void RegistryStore::Reset() {}

} // namespace platform
