#include <gtest/gtest.h>

#include "ScopedEnvironment.h"
#include "XvfbServer.h"
#include "platform/display.h"

// The screen comes from the X display when TAPWEAVE_SCREEN does not name one, and asking again
// gives the same answer without a new connection.
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
}
