#include "platform/windows.h"

#include <algorithm>
#include <optional>

#include "HandleTable.h"
#include "ProcessHandle.h"
#include "ProcessTable.h"

namespace {

std::optional<std::wstring> Text(LPCWSTR text) {
    return text ? std::optional<std::wstring>(text) : std::nullopt;
}

} // namespace

bool platform::IsDeviceProgram(DWORD processId) {
    return platform::ProcessTable::RunsDeviceProgram(processId);
}

HWND GetForegroundWindow() {
    return platform::Desktop::Current().Foreground();
}

BOOL SetForegroundWindow(HWND hwnd) {
    return hwnd && platform::Desktop::Current().Activate(hwnd) ? TRUE : FALSE;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    const std::optional<std::wstring> name = Text(className);
    const std::optional<std::wstring> title = Text(windowName);
    return platform::Desktop::Current().Find(name ? &*name : nullptr, title ? &*title : nullptr);
}

BOOL ShowWindow(HWND hwnd, int command) {
    return hwnd && platform::Desktop::Current().Show(hwnd, command) ? TRUE : FALSE;
}

// Linux has no thread that owns a window, so the process identifier stands for it.
DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
    const DWORD owner = hwnd ? platform::Desktop::Current().ProcessOf(hwnd) : 0;
    if (processId) {
        *processId = owner;
    }
    return owner;
}

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return hwnd ? platform::Desktop::Current().Send(hwnd, message, wParam, lParam) : 0;
}

// Access rights mean nothing on the host: any process whose program can be told may be opened.
HANDLE OpenProcess(DWORD, BOOL, DWORD processId) {
    if (processId == 0 || !platform::Desktop::Current().ProgramOf(processId)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HANDLE process = platform::ProcessHandle::Open(processId);
    if (!process) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return process;
}

DWORD GetModuleFileNameW(HANDLE module, LPWSTR fileName, DWORD size) {
    if (!fileName || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::optional<std::wstring> path;
    if (!module) {
        path = platform::ProcessTable::OwnProgram();
    } else if (const auto* process = platform::HandleTable::Get<platform::ProcessHandle>(module)) {
        path = platform::Desktop::Current().ProgramOf(process->ProcessId());
        if (!path) {
            // The process has ended since it was opened.
            SetLastError(ERROR_INVALID_HANDLE);
            fileName[0] = L'\0';
            return 0;
        }
    } else {
        SetLastError(ERROR_INVALID_HANDLE);
        fileName[0] = L'\0';
        return 0;
    }
    // As the device does, a path longer than the buffer is cut to fit with its terminator.
    const std::size_t length = std::min<std::size_t>(path->size(), size - 1);
    std::copy_n(path->begin(), length, fileName);
    fileName[length] = L'\0';
    return static_cast<DWORD>(length);
}
