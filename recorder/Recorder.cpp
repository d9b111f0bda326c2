// The recorder (the device's Recorder.exe): a floating toolbar that records what the stylus
// does into the macro document. Only one runs: starting it again brings the first one back.
//
//   tapweave-recorder          the toolbar, or the running one brought back
//   tapweave-recorder --quit   ends the running recorder
#include <cstdio>
#include <cstring>
#include <optional>

#include "ProductVersion.h"
#include "RecorderWindow.h"
#include "SharedNames.h"
#include "TouchHook.h"
#include "platform/Device.h"
#include "platform/alerts.h"
#include "platform/gui.h"
#include "platform/kernel.h"
#include "platform/shell.h"

namespace {

constexpr const char* usage =
    "usage: tapweave-recorder [--quit]\n"
    "\n"
    "Shows the recorder's toolbar, or brings back the one that runs. Its left button records,\n"
    "pauses and records again; its right one stops and saves, or hides the toolbar. Hold the\n"
    "stylus on the idle toolbar for half a second (or right-click it) for its menu: Quit.\n"
    "\n"
    "--quit     ends the running recorder, also one that holds a calibrated touch screen\n"
    "--help, -h this text\n"
    "--version  the version\n";

int Quit() {
    const HWND running = FindWindowW(recorderClassName.c_str(), recorderWindowTitle.c_str());
    if (!running) {
        std::fprintf(stderr, "tapweave-recorder: no recorder runs on the device %s\n",
                     platform::Device::Directory().c_str());
        return 1;
    }
    SendMessageW(running, WM_CLOSE, RecorderWindow::quitRequest, 0);
    return 0;
}

// A toolbar without samples could record nothing, and one nobody can tap would wait forever.
int NoTouchSource() {
    platform::Tell(L"The recorder has no touch source to record from: no touch screen, no "
                   L"display and no touch script (TAPWEAVE_TOUCH).",
                   recorderWindowTitle.c_str(), MB_OK | MB_ICONEXCLAMATION);
    return 1;
}

} // namespace

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
        return TouchHook::GetInstance().IsCapturing() ? 0 : NoTouchSource();
    }
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) != 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--quit") == 0) {
        return Quit();
    }
    if (const std::optional<int> answered = AnswerHelpOrVersion(argc, argv, usage)) {
        return *answered;
    }
    if (argc > 1) {
        std::fprintf(stderr, "tapweave-recorder: unknown argument %s\n\n%s", argv[1], usage);
        return 2;
    }
    return WinMain(GetModuleHandleW(nullptr), nullptr, platform::CommandLineParameters(), SW_SHOW);
}
