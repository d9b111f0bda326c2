// Stands in for the recorder where removal meets it: its main window, of the recorder's class
// and title, and its answer to WM_CLOSE. Every close stores the window's position, as the
// recorder's does. Run as `stand-in-recorder [calibrated]`: calibrated, the window only hides, as
// the recorder's does while it holds a calibrated touch panel; otherwise WM_CLOSE with wParam 1
// (the setup library's) ends the program. It prints "ready" once its window is on the device,
// and ends by itself after a minute whatever happens.
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "platform/gui.h"
#include "platform/registry.h"
#include "platform/windows.h"

namespace {

bool calibrated = false;

void StorePosition() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window", 0,
                        nullptr, 0, 0, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        const DWORD x = 0;
        RegSetValueExW(key, L"x", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&x), sizeof(x));
        RegCloseKey(key);
    }
}

LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        StorePosition();
        ShowWindow(hwnd, SW_HIDE);
        if (wParam == 1 && !calibrated) {
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
