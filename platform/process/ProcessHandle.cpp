#include "ProcessHandle.h"

#include <memory>

#include "HandleTable.h"

namespace platform {

HANDLE ProcessHandle::Open(DWORD processId) {
    return HandleTable::Add(std::make_unique<ProcessHandle>(processId));
}

} // namespace platform
