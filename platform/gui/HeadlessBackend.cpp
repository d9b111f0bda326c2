#include "HeadlessBackend.h"

#include <poll.h>

namespace platform {

std::mutex HeadlessBackend::choicesMutex;
std::deque<UINT> HeadlessBackend::choices;

UINT HeadlessBackend::TrackPopupMenu(HWND, const std::vector<MenuItem>&, POINT) {
    std::lock_guard lock(choicesMutex);
    if (choices.empty()) {
        return 0;
    }
    const UINT choice = choices.front();
    choices.pop_front();
    return choice;
}

void HeadlessBackend::QueueMenuChoice(UINT id) {
    std::lock_guard lock(choicesMutex);
    choices.push_back(id);
}

void HeadlessBackend::ForgetMenuChoices() {
    std::lock_guard lock(choicesMutex);
    choices.clear();
}

void HeadlessBackend::WaitForEvents(int wakeFd, int timeoutMs) {
    pollfd watch{wakeFd, POLLIN, 0};
    poll(&watch, 1, timeoutMs);
}

} // namespace platform
