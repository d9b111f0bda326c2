// The recorder (the device's Recorder.exe): a floating toolbar that records what the stylus
// does into the macro document. Only one runs: starting it again brings the first one back.
#include "RecorderWindow.h"
#include "SharedNames.h"
#include "platform/gui.h"
#include "platform/kernel.h"
#include "platform/shell.h"

int WinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    // Taken before looking for the window, so that two recorders started together cannot both
    // find none: the one that does not get the name ends. It goes with the process.
    const HANDLE instance = CreateMutexW(nullptr, FALSE, recorderWindowTitle.c_str());
    const bool first = instance != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
    if (const HWND running = FindWindowW(recorderClassName.c_str(), recorderWindowTitle.c_str())) {
        ShowWindow(running, SW_SHOW);
        SetForegroundWindow(running);
        return 0;
    }
    if (!first) {
        return 0;
    }
    const RecorderWindow& window = RecorderWindow::GetInstance();
    if (window.Handle() == nullptr) {
        return 0;
    }
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) != 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

int main() {
    return WinMain(GetModuleHandleW(nullptr), nullptr, platform::CommandLineParameters(), SW_SHOW);
}
