#include "Start.h"

#include <cstdlib>
#include <cstring>

#include "ActionRegistry.h"
#include "PlaybackClock.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/windows.h"

namespace {

const std::string todayTarget = "Today";
const std::wstring todayClassName = L"DesktopExplorerWindow";
const std::wstring todayTitle = L"Desktop";

// How long the Today screen is given to come up before it is told it is active.
constexpr DWORD todayWaitMilliseconds = 200;

HWND FindToday() {
    return FindWindowW(todayClassName.c_str(), todayTitle.c_str());
}

// The prototype only parses, so it is made with an empty target: the default constructor would
// ask the desktop what is in front while the library loads, round trips to the display that
// every player would pay before its first step.
[[maybe_unused]] const bool registered =
    ActionRegistry::GetInstance().Register(new Start(std::string()));

} // namespace

Start::Start() {
    const HWND front = GetForegroundWindow();
    if (front == FindToday()) {
        target = todayTarget;
        return;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(front, &processId);
    const HANDLE process = OpenProcess(0, FALSE, processId);
    if (!process) {
        return;
    }
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(process, path, MAX_PATH);
    CloseHandle(process);
    char bytes[MAX_PATH] = {};
    const std::size_t converted = std::wcstombs(bytes, path, MAX_PATH);
    if (converted != 0 && converted != static_cast<std::size_t>(-1)) {
        target.assign(bytes, strnlen(bytes, MAX_PATH));
    }
}

Start::Start(const std::string& target) : target(target) {}

Action* Start::Parse(const std::string& params) {
    return new Start(params);
}

std::string Start::GetKeyword() {
    return "Start";
}

std::string Start::GetParams() {
    return target;
}

bool Start::Play() {
    const bool today = target == todayTarget;
    HWND window = today ? FindToday() : nullptr;
    if (window) {
        SetForegroundWindow(window);
    } else {
        // One more place than the shell's path limit keeps a path of full length terminated.
        wchar_t file[MAX_PATH + 1] = {};
        const std::size_t converted = std::mbstowcs(file, target.c_str(), MAX_PATH);
        SHELLEXECUTEINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.lpVerb = L"open";
        if (converted != 0 && converted != static_cast<std::size_t>(-1)) {
            info.lpFile = file;
        }
        ShellExecuteEx(&info);
        if (info.hProcess) {
            CloseHandle(info.hProcess);
        }
        if (today) {
            window = FindToday();
        }
    }
    if (today) {
        Sleep(todayWaitMilliseconds);
        if (window) {
            SendMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0);
        }
    }
    // Starting a program or waiting for the Today screen is not part of the macro's timing.
    PlaybackClock::Restart();
    return true;
}
