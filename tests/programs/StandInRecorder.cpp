// Stands in for the recorder where removal meets it: its main window, of the recorder's class
// and title, and its answer to WM_CLOSE with wParam 1 from the setup library. Run as
// `stand-in-recorder [calibrated]`: calibrated, the window only hides, as the recorder's does
// while it holds a calibrated touch panel; otherwise the program ends. It prints "ready" once
// its window is on the device, and ends by itself after a minute whatever happens.
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "platform/gui.h"
#include "platform/windows.h"

namespace {

bool calibrated = false;

LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        if (wParam == 1 && calibrated) {
            ShowWindow(hwnd, SW_HIDE);
        } else {
            DestroyWindow(hwnd);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

int main(int argc, char** argv) {
    alarm(60);
    calibrated = argc > 1 && std::strcmp(argv[1], "calibrated") == 0;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.lpszClassName = L"Tapweave Class";
    if (!RegisterClassW(&windowClass)) {
        return 1;
    }
    HWND window = CreateWindowExW(0, L"Tapweave Class", L"Tapweave Recorder", WS_POPUP | WS_VISIBLE,
                                  0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
    if (!window) {
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
    }
    return 0;
}
