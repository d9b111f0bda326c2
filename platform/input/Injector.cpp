#include "platform/Injector.h"

namespace platform {

void Injector::Set(Injector*) {}

} // namespace platform
