#include "RecorderWindow.h"

#include <cstdlib>
#include <string>

#include "Macros.h"
#include "Mouse.h"
#include "SharedNames.h"
#include "TouchHook.h"
#include "platform/Playbacks.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/registry.h"

namespace {

constexpr int recordBitmap = 101;
constexpr int closeBitmap = 102;
constexpr int pauseBitmap = 103;
constexpr int stopBitmap = 104;
constexpr int recorderIcon = 105;
// A press that moves further than this, in pixels, drags the window instead of tapping.
constexpr int dragThreshold = 3;
// A press held this long, in milliseconds, and lifted without a drag opens the menu: the
// device's tap-and-hold.
constexpr DWORD holdTime = 500;
constexpr UINT quitCommand = 1;
constexpr UINT stopPlaybackCommand = 2;
// How long stopping the playbacks waits for them to end.
constexpr int stopPlaybackTimeoutMs = 2000;

// Where the window's last position is kept, below the product's key.
std::wstring PositionKey() {
    return productRegistryKey + L"\\Recorder\\Window";
}

// The window object while it is being built: the window procedure runs for WM_CREATE before
// GetInstance has returned.
RecorderWindow* instance = nullptr;

} // namespace

RecorderWindow& RecorderWindow::GetInstance() {
    static RecorderWindow window;
    return window;
}

RecorderWindow::RecorderWindow()
    : hInstance(GetModuleHandleW(nullptr)), hwnd(nullptr), width(34), height(18), recordButtonX(0),
      recordButtonY(0), recordButton(hInstance, this, this, recordBitmap, pauseBitmap),
      stopButtonX(16), stopButtonY(0), stopButton(hInstance, this, this, closeBitmap, stopBitmap),
      anchorX(0), anchorY(0), dragging(false), pressedAt(0) {
    instance = this;
    // Samples may flow from here on; they need the capture and the document, never the window.
    TouchHook::GetInstance().Calibrate();
    // With no samples to record, no toolbar: the program says so and ends.
    if (!TouchHook::GetInstance().IsCapturing()) {
        return;
    }
    WNDCLASSW windowClass{};
    windowClass.style = CS_NOCLOSE;
    windowClass.lpfnWndProc = WndProc;
    windowClass.hInstance = hInstance;
    windowClass.hIcon = LoadIconW(hInstance, MAKEINTRESOURCEW(recorderIcon));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    windowClass.lpszClassName = recorderClassName.c_str();
    if (RegisterClassW(&windowClass) != 0) {
        hwnd = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
                               recorderClassName.c_str(), recorderWindowTitle.c_str(),
                               WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 0, 0, nullptr, nullptr,
                               hInstance, nullptr);
    }
}

RecorderWindow::~RecorderWindow() {
    UnregisterClassW(recorderClassName.c_str(), hInstance);
}

void RecorderWindow::Redraw() {
    const RECT whole{0, 0, width, height};
    InvalidateRect(hwnd, &whole, TRUE);
    UpdateWindow(hwnd);
}

void RecorderWindow::OnButtonClick(ImageButton& button, int state) {
    if (&button == &recordButton) {
        stopButton.SetState(1);
        if (state == 1) {
            Macros::GetInstance().StartRecording();
        } else {
            Macros::GetInstance().StopRecording();
        }
        return;
    }
    if (state == 0) {
        recordButton.SetState(0);
        Macros::GetInstance().Save();
        return;
    }
    // The button showed close: the recorder was idle.
    stopButton.SetState(0);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
}

LRESULT RecorderWindow::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    RecorderWindow& self = *instance;
    switch (message) {
    case WM_CREATE:
        self.Place(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        return self.Paint(window, message, wParam, lParam);
    case WM_CLOSE:
        return self.Close(window, message, wParam, lParam);
    case WM_SETTINGCHANGE:
        return self.SettingChange(window, message, wParam, lParam);
    case WM_LBUTTONDOWN:
        self.anchorX = GET_X_LPARAM(lParam);
        self.anchorY = GET_Y_LPARAM(lParam);
        self.pressedAt = GetTickCount();
        return 0;
    case WM_MOUSEMOVE:
        self.Drag(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_LBUTTONUP:
        self.Lift(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_CONTEXTMENU:
        self.ShowMenu(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT RecorderWindow::Paint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(window, &paint);
    const bool drawn = recordButton.Draw(dc, recordButtonX, recordButtonY) &&
                       stopButton.Draw(dc, stopButtonX, stopButtonY);
    EndPaint(window, &paint);
    return drawn ? 0 : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT RecorderWindow::SettingChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (wParam == SETTINGCHANGE_RESET && Mouse::OnScreenOrientationChange() &&
        TouchHook::GetInstance().UpdateOrientation()) {
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RecorderWindow::Place(HWND window) {
    TouchHook& hook = TouchHook::GetInstance();
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PositionKey().c_str(), 0, 0, &key) == ERROR_SUCCESS) {
        DWORD x = 0;
        DWORD y = 0;
        DWORD xSize = sizeof(x);
        DWORD ySize = sizeof(y);
        const bool read = RegQueryValueExW(key, L"x", nullptr, nullptr,
                                           reinterpret_cast<LPBYTE>(&x), &xSize) == ERROR_SUCCESS &&
                          RegQueryValueExW(key, L"y", nullptr, nullptr,
                                           reinterpret_cast<LPBYTE>(&y), &ySize) == ERROR_SUCCESS;
        RegCloseKey(key);
        if (read) {
            // The stored place is used as it is, even partly or wholly off the screen.
            MoveWindow(window, static_cast<int>(x), static_cast<int>(y), width, height, FALSE);
            hook.SetRect(static_cast<int>(x), static_cast<int>(y), width, height);
            return;
        }
    }
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    MoveWindow(window, x, y, width, height, FALSE);
    hook.SetRect(x, y, width, height);
}

void RecorderWindow::Drag(int x, int y) {
    if (std::abs(anchorX - x) > dragThreshold || std::abs(anchorY - y) > dragThreshold) {
        dragging = true;
    }
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    const int left = rect.left + x - anchorX;
    const int top = rect.top + y - anchorY;
    if (dragging) {
        SetWindowPos(hwnd, HWND_TOP, left, top, 0, 0, SWP_NOSIZE | SWP_NOOWNERZORDER);
        TouchHook::GetInstance().SetPosition(left, top);
    }
}

void RecorderWindow::Lift(int x, int y) {
    if (dragging) {
        dragging = false;
        return;
    }
    const bool idle = recordButton.State() == 0 && stopButton.State() == 0;
    if (idle && GetTickCount() - pressedAt >= holdTime) {
        RECT rect{};
        GetWindowRect(hwnd, &rect);
        ShowMenu(rect.left + x, rect.top + y);
        return;
    }
    if (stopButton.Click(x - stopButtonX, y - stopButtonY)) {
        return;
    }
    recordButton.Click(x - recordButtonX, y - recordButtonY);
}

// Only while idle: during a recording a slow tap on stop must still stop and save, and Quit
// would drop the steps recorded so far.
void RecorderWindow::ShowMenu(int x, int y) {
    if (recordButton.State() != 0 || stopButton.State() != 0) {
        return;
    }
    const HMENU menu = CreatePopupMenu();
    // While a macro plays, the menu says so and stops it: on a touch screen without a keyboard
    // there is no other way.
    if (platform::Playbacks::AnyRunning()) {
        AppendMenuW(menu, MF_STRING, stopPlaybackCommand, L"Stop Playback");
    }
    AppendMenuW(menu, MF_STRING, quitCommand, L"Quit");
    const auto chosen =
        static_cast<UINT>(TrackPopupMenuEx(menu, TPM_RETURNCMD, x, y, hwnd, nullptr));
    DestroyMenu(menu);
    if (chosen == quitCommand) {
        SendMessageW(hwnd, WM_CLOSE, quitRequest, 0);
    } else if (chosen == stopPlaybackCommand) {
        platform::Playbacks::StopAll(stopPlaybackTimeoutMs);
    }
}

LRESULT RecorderWindow::Close(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, PositionKey().c_str(), 0, nullptr, 0, 0, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        RECT rect{};
        GetWindowRect(window, &rect);
        const DWORD x = static_cast<DWORD>(rect.left);
        const DWORD y = static_cast<DWORD>(rect.top);
        RegSetValueExW(key, L"x", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&x), sizeof(x));
        RegSetValueExW(key, L"y", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&y), sizeof(y));
        RegFlushKey(key);
        RegCloseKey(key);
    }
    ShowWindow(window, SW_HIDE);
    if (wParam == quitRequest) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // Once calibrated the capture must stay registered, so the process stays, hidden.
    if (TouchHook::GetInstance().IsCalibrated()) {
        return 0;
    }
    if (wParam == 1) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return 0;
}
