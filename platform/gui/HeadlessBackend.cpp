#include "HeadlessBackend.h"

#include <poll.h>

namespace platform {

void HeadlessBackend::WaitForEvents(int wakeFd, int timeoutMs) {
    pollfd watch{wakeFd, POLLIN, 0};
    poll(&watch, 1, timeoutMs);
}

} // namespace platform
