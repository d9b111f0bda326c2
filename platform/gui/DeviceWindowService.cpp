#include "DeviceWindowService.h"

#include <unistd.h>

#include "MessageServer.h"
#include "WindowActions.h"
#include "WindowManager.h"
#include "platform/WindowDirectory.h"

namespace platform {

namespace {

bool IsLocal(HWND hwnd) {
    const auto windows = WindowManager::Instance().Lock();
    return windows.Find(hwnd) != nullptr;
}

DWORD OwnProcess() {
    return static_cast<DWORD>(getpid());
}

[[maybe_unused]] const bool installed = [] {
    DeviceWindows::Set(&DeviceWindowService::Instance());
    return true;
}();

} // namespace

DeviceWindowService& DeviceWindowService::Instance() {
    static DeviceWindowService* instance = new DeviceWindowService;
    return *instance;
}

HWND DeviceWindowService::Find(const std::wstring* className, const std::wstring* title) {
    for (const WindowDirectory::Entry& entry : WindowDirectory::List()) {
        if ((className && entry.className != *className) || (title && entry.title != *title)) {
            continue;
        }
        if (entry.processId == OwnProcess() && !IsLocal(entry.hwnd)) {
            // Left behind by a thread of this process that has ended.
            WindowDirectory::Remove(entry.hwnd);
            continue;
        }
        return entry.hwnd;
    }
    return nullptr;
}

bool DeviceWindowService::Activate(HWND hwnd) {
    const auto window = WindowManager::Instance().Lookup(hwnd);
    if (!window) {
        return false;
    }
    if (window->own) {
        return WindowActions::Activate(hwnd);
    }
    return ProcessChannel::Ask(window->processId, ProcessChannel::Operation::Activate, hwnd)
        .has_value();
}

bool DeviceWindowService::Show(HWND hwnd, int command) {
    const auto window = WindowManager::Instance().Lookup(hwnd);
    if (!window) {
        return false;
    }
    if (window->own) {
        return WindowActions::Show(hwnd, command).value_or(false);
    }
    return ProcessChannel::Ask(window->processId, ProcessChannel::Operation::Show, hwnd, 0, 0, 0,
                               command)
               .value_or(0) != 0;
}

DWORD DeviceWindowService::ProcessOf(HWND hwnd) {
    const auto window = WindowManager::Instance().Lookup(hwnd);
    return window ? window->processId : 0;
}

LRESULT DeviceWindowService::Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowManager& manager = WindowManager::Instance();
    const auto window = manager.Lookup(hwnd);
    if (window && window->own) {
        return manager.Send(hwnd, message, wParam, lParam, -1);
    }
    if (!window || !ProcessChannel::CarriesIntegersOnly(message, lParam)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::optional<std::int64_t> result = ProcessChannel::Ask(
        window->processId, ProcessChannel::Operation::Send, hwnd, message, wParam, lParam);
    if (!result) {
        SetLastError(ERROR_TIMEOUT);
    }
    return static_cast<LRESULT>(result.value_or(0));
}

HWND DeviceWindowService::Foreground() {
    return WindowActions::Foreground();
}

void DeviceWindowService::Deactivate() {
    WindowActions::Deactivate();
}

void DeviceWindowService::Serve() {
    MessageServer::Instance().Serve(&DeviceWindowService::Answer);
}

ProcessChannel::Reply DeviceWindowService::Answer(const ProcessChannel::Request& request) {
    ProcessChannel::Reply reply;
    const auto hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(request.hwnd));
    if (!IsLocal(hwnd)) {
        return reply;
    }
    const auto wParam = static_cast<WPARAM>(request.wParam);
    const auto lParam = static_cast<LPARAM>(request.lParam);
    WindowManager& manager = WindowManager::Instance();
    switch (static_cast<ProcessChannel::Operation>(request.operation)) {
    case ProcessChannel::Operation::Send: {
        if (!ProcessChannel::CarriesIntegersOnly(request.message, lParam)) {
            break;
        }
        bool answered = false;
        reply.result = manager.Send(hwnd, request.message, wParam, lParam,
                                    ProcessChannel::timeoutMs, &answered);
        reply.ok = answered;
        break;
    }
    case ProcessChannel::Operation::Post:
        reply.ok = ProcessChannel::CarriesIntegersOnly(request.message, lParam) &&
                   manager.Post(hwnd, request.message, wParam, lParam);
        break;
    case ProcessChannel::Operation::Show:
        reply.result = WindowActions::Show(hwnd, request.command).value_or(false);
        reply.ok = 1;
        break;
    case ProcessChannel::Operation::Activate:
        reply.ok = WindowActions::Activate(hwnd);
        break;
    }
    return reply;
}

} // namespace platform
