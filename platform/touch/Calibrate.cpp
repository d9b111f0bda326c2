// tapweave-calibrate: calibrates a touch screen. Shows the five calibration points one after
// another, reads each touch through the touch driver (uncalibrated), and stores the averaged
// readings in the device's registry as HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\TOUCH
// "CalibrationData", which the recorder hands back to the driver. Only a touch screen (evdev)
// or a touch script is calibrated: the X pointer is a mouse, exact on the screen already.
//
// Usage: tapweave-calibrate [--script PATH]   (--script reads the touches from a touch script)
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "CalibrationScreen.h"
#include "ProductVersion.h"
#include "TouchPanel.h"
#include "platform/display.h"
#include "platform/gui.h"
#include "platform/registry.h"

namespace {

CalibrationScreen* screen = nullptr;

BOOL Sample(DWORD flags, INT x, INT y) {
    if (flags & TouchSampleSourceEndedFlag) {
        QMetaObject::invokeMethod(
            screen, [] { screen->SourceEnded(); }, Qt::QueuedConnection);
    } else {
        QMetaObject::invokeMethod(
            screen, [flags, x, y] { screen->Take(flags, x, y); }, Qt::QueuedConnection);
    }
    return TRUE;
}

bool Store(const std::string& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\TOUCH", 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const std::wstring text(value.begin(), value.end());
    const LONG result = RegSetValueExW(key, L"CalibrationData", 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(text.c_str()),
                                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        if (const char* value = std::getenv(name); value && *value) {
            return true;
        }
    }
    return false;
}

} // namespace

constexpr const char* usage =
    "usage: tapweave-calibrate [--script PATH]\n"
    "\n"
    "Shows five crosses one after another on the whole screen; touch each. The readings are\n"
    "stored in the device's registry (HKLM\\HARDWARE\\DEVICEMAP\\TOUCH \"CalibrationData\"), "
    "which\n"
    "the recorder hands to the touch driver. Esc cancels.\n"
    "\n"
    "--script PATH  reads the touches from a touch script\n"
    "--help, -h     this text\n"
    "--version      the version\n";

int main(int argc, char** argv) {
    if (const std::optional<int> answered = AnswerHelpOrVersion(argc, argv, usage)) {
        return *answered;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--script") == 0 && i + 1 < argc) {
            setenv("TAPWEAVE_TOUCH", (std::string("script:") + argv[++i]).c_str(), 1);
        } else {
            std::fprintf(stderr, "%s", usage);
            return 2;
        }
    }
    // The driver's choice without a touch screen, the X pointer, is no choice here.
    const char* requested = std::getenv("TAPWEAVE_TOUCH");
    if (requested && std::strcmp(requested, "x11") == 0) {
        std::fprintf(stderr, "tapweave-calibrate: the X pointer is a mouse, not a touch screen; "
                             "it needs no calibration\n");
        return 1;
    }
    if (requested && std::string_view(requested).starts_with("evdev-pointer")) {
        std::fprintf(stderr, "tapweave-calibrate: a mouse or touchpad is not a touch screen; "
                             "it needs no calibration\n");
        return 1;
    }
    if (!requested || !*requested) {
        setenv("TAPWEAVE_TOUCH", "evdev", 1);
    }
    if (!HasDisplay()) {
        std::fprintf(stderr, "tapweave-calibrate: no display to show the calibration points "
                             "on (DISPLAY is not set)\n");
        return 1;
    }
    platform::ProvideRuntimeDirectory();
    QApplication application(argc, argv);
    CalibrationScreen window(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    screen = &window;
    if (!TouchPanelEnable(&Sample)) {
        std::fprintf(stderr, "tapweave-calibrate: no touch screen or touch script to calibrate "
                             "(TAPWEAVE_TOUCH=evdev:PATH names one, --script PATH reads one); "
                             "a mouse needs no calibration\n");
        return 1;
    }
    window.showFullScreen();
    const int result = application.exec();
    TouchPanelDisable();
    if (result == CalibrationScreen::sourceEnded) {
        std::fprintf(stderr, "tapweave-calibrate: the touches ended before all five points were "
                             "touched; the calibration is unchanged\n");
        return 1;
    }
    if (result != 0) {
        std::fprintf(stderr, "tapweave-calibrate: cancelled; the calibration is unchanged\n");
        return 1;
    }
    const std::string value = window.Readings().Value();
    if (!Store(value)) {
        std::fprintf(stderr, "tapweave-calibrate: cannot write the device's registry\n");
        return 1;
    }
    std::printf("CalibrationData %s\n", value.c_str());
    return 0;
}
