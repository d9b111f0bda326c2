#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <chrono>
#include <filesystem>

#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "XvfbServer.h"
#include "platform/Injector.h"
#include "platform/display.h"
#include "platform/input.h"
#include "platform/windows.h"

namespace {

int OpenSockets() {
    int sockets = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        sockets +=
            std::filesystem::read_symlink(entry.path(), error).string().starts_with("socket:");
    }
    return sockets;
}

} // namespace

// The screen comes from the X display when TAPWEAVE_SCREEN does not name one, and asking again
// gives the same answer without a new connection; a new size of the root window, as the server
// reports a change of resolution or a quarter turn, is the screen's size from then on.
TEST(DisplayX11, ScreenSizeAndRotationComeFromTheDisplay) {
    if (!XvfbServer::Installed()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    XvfbServer server(800, 600);
    ASSERT_TRUE(server.Running()) << server.Error();
    ScopedEnvironment display("DISPLAY", server.Name().c_str());
    ScopedEnvironment screen("TAPWEAVE_SCREEN", nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
        EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
    }
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    mode.dmFields = DM_DISPLAYORIENTATION;
    ASSERT_EQ(ChangeDisplaySettingsEx(nullptr, &mode, nullptr, CDS_TEST, nullptr),
              DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(mode.dmDisplayOrientation, DMDO_0);

    // Xvfb cannot change its screen; another client reports the change as the server would.
    ::Display* other = XOpenDisplay(server.Name().c_str());
    ASSERT_NE(other, nullptr);
    XEvent event{};
    event.xconfigure.type = ConfigureNotify;
    event.xconfigure.event = event.xconfigure.window = DefaultRootWindow(other);
    event.xconfigure.width = 600;
    event.xconfigure.height = 800;
    XSendEvent(other, DefaultRootWindow(other), False, StructureNotifyMask, &event);
    XCloseDisplay(other);
    EXPECT_TRUE(WaitUntil(
        [] { return GetSystemMetrics(SM_CXSCREEN) == 600 && GetSystemMetrics(SM_CYSCREEN) == 800; },
        std::chrono::seconds(10)));
}

// The screen's size and injection through XTest share the process's one libxcb connection to the
// display; the desktop's windows, read through Xlib, open a second only when first asked.
TEST(DisplayX11, TheScreenAndInjectionShareOneConnection) {
    if (!XvfbServer::Installed()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    XvfbServer server(640, 480);
    ASSERT_TRUE(server.Running()) << server.Error();
    ScopedEnvironment display("DISPLAY", server.Name().c_str());
    ScopedEnvironment screen("TAPWEAVE_SCREEN", nullptr);
    ScopedEnvironment input("TAPWEAVE_INPUT", "x11");
    ScopedEnvironment gui("TAPWEAVE_GUI", "headless");
    TempDevice device;
    const int before = OpenSockets();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
    mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 65535 / 2, 65535 / 2, 0, 0);
    EXPECT_EQ(OpenSockets(), before + 1);
    EXPECT_NE(FindWindowW(L"DesktopExplorerWindow", L"Desktop"), nullptr);
    EXPECT_EQ(OpenSockets(), before + 2);
    platform::Injector::Set(nullptr);
}
