// tapweave-calibrate as a person runs it: on a display, with the touches from a touch script.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "EvdevSource.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "XvfbServer.h"
#include "platform/registry.h"

namespace {

// Runs the program with the arguments; its exit code, negative when the watchdog had to end it.
// What it says on standard error goes to errors when given.
int RunCalibrate(const std::vector<std::string>& arguments, std::string* errors = nullptr) {
    std::vector<std::string> argv{TAPWEAVE_BIN_DIR "/tapweave-calibrate"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ChildProcess program(
        argv, {.errors = errors ? ChildProcess::Stream::Capture : ChildProcess::Stream::Inherit});
    const int code = program.ExitCode();
    if (errors) {
        *errors = program.Errors();
    }
    return code;
}

std::wstring StoredCalibration() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\TOUCH", 0, 0, &key) !=
        ERROR_SUCCESS) {
        return L"";
    }
    wchar_t text[200] = {};
    DWORD size = sizeof text;
    DWORD type = 0;
    RegQueryValueExW(key, L"CalibrationData", nullptr, &type, reinterpret_cast<LPBYTE>(text),
                     &size);
    RegCloseKey(key);
    return type == REG_SZ ? text : L"";
}

} // namespace

// A 240 x 320 display of the test's own and a fresh device.
class Calibrate : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!XvfbServer::Installed()) {
            GTEST_SKIP() << "no Xvfb";
        }
        ASSERT_TRUE(server.Running()) << server.Error();
        display.emplace("DISPLAY", server.Name().c_str());
    }

    XvfbServer server{240, 320};
    TempDevice device;
    std::optional<ScopedEnvironment> display;
};

TEST_F(Calibrate, TouchesOfTheFivePointsAreStoredAveraged) {
    ScopedEnvironment screen("TAPWEAVE_SCREEN", nullptr);
    // Raw positions twice the screen's, each touch a little unsteady; a stray lift first.
    device.Write("touches.txt", "50 up 1 1\n"
                                "100 down 240 320\n110 down 242 322\n130 up 0 0\n"
                                "300 down 60 80\n320 up 0 0\n"
                                "500 down 420 80\n520 up 0 0\n"
                                "700 down 420 560\n720 up 0 0\n"
                                "900 down 60 560\n910 invalid 0 0\n920 up 0 0\n");
    EXPECT_EQ(RunCalibrate({"--script", device.Host("touches.txt")}), 0);
    EXPECT_EQ(StoredCalibration(), L"241,321 60,80 420,80 420,560 60,560");
}

// A mouse is exact on the screen already; a script that runs out leaves points unread.
TEST_F(Calibrate, OnlyATouchScreenOrAWholeScriptIsCalibrated) {
    std::string errors;
    for (const char* mouse : {"x11", "evdev-pointer"}) {
        ScopedEnvironment pointer("TAPWEAVE_TOUCH", mouse);
        EXPECT_EQ(RunCalibrate({}, &errors), 1) << mouse;
        EXPECT_NE(errors.find("mouse"), std::string::npos) << errors;
    }
    // Without a touch screen the driver would take the X pointer.
    if (!EvdevSource::Present()) {
        ScopedEnvironment none("TAPWEAVE_TOUCH", nullptr);
        EXPECT_EQ(RunCalibrate({}, &errors), 1);
        EXPECT_NE(errors.find("no touch screen"), std::string::npos) << errors;
    }
    device.Write("touches.txt", "100 down 240 320\n130 up 0 0\n300 down 60 80\n320 up 0 0\n");
    EXPECT_EQ(RunCalibrate({"--script", device.Host("touches.txt")}, &errors), 1);
    EXPECT_NE(errors.find("five points"), std::string::npos) << errors;
    EXPECT_EQ(StoredCalibration(), L"");
}

// With no display at all, so no Xvfb of the test's either.
TEST(CalibrateWithoutADisplay, NothingIsStored) {
    TempDevice device;
    ScopedEnvironment display("DISPLAY", nullptr);
    ScopedEnvironment wayland("WAYLAND_DISPLAY", nullptr);
    EXPECT_EQ(RunCalibrate({}), 1);
    EXPECT_EQ(RunCalibrate({"--frobnicate"}), 2);
    EXPECT_EQ(StoredCalibration(), L"");
}
