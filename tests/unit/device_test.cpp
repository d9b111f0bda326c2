#include <gtest/gtest.h>

#include <filesystem>

#include "TempDevice.h"
#include "platform/Device.h"
#include "platform/display.h"

TEST(Device, FreshDeviceHasThePocketPcFolders) {
    TempDevice device;
    EXPECT_EQ(platform::Device::Directory(), device.Directory());
    for (const char* folder :
         {"Windows", "Windows/Start Menu/Programs", "Program Files", "My Documents"}) {
        EXPECT_TRUE(std::filesystem::is_directory(device.Host(folder))) << folder;
    }
    EXPECT_TRUE(std::filesystem::is_directory(device.Directory() + "/run"));
}

TEST(Display, ScreenSettingsAreParsedStrictly) {
    platform::ScreenState state{};
    ASSERT_TRUE(platform::Display::ParseScreen("1920x1080", state));
    EXPECT_EQ(state.width, 1920);
    EXPECT_EQ(state.height, 1080);
    EXPECT_EQ(state.rotation, DMDO_0);
    ASSERT_TRUE(platform::Display::ParseScreen("320x240@270", state));
    EXPECT_EQ(state.rotation, DMDO_270);
    for (const char* bad :
         {"", "1920", "0x100", "100x-5", "100x100@45", "100x100@", "100x100junk"}) {
        EXPECT_FALSE(platform::Display::ParseScreen(bad, state)) << bad;
    }
}

TEST(Display, TapweaveScreenSetsMetricsAndOrientation) {
    setenv("TAPWEAVE_SCREEN", "320x240@90", 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 320);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 240);
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    mode.dmFields = DM_DISPLAYORIENTATION;
    EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, &mode, nullptr, CDS_TEST, nullptr),
              DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(mode.dmDisplayOrientation, DMDO_90);
    unsetenv("TAPWEAVE_SCREEN");
}

TEST(Device, BaseFilesAreLinkedFromTheBuildAndKeptWhenPresent) {
    TempDevice device;
    const std::string viewer = device.Host("Windows/peghelp.exe");
    ASSERT_TRUE(std::filesystem::exists(viewer));
    EXPECT_EQ(std::filesystem::read_symlink(viewer).filename(), "tapweave-help");
    EXPECT_TRUE(std::filesystem::exists(device.Host("Windows/Tapweave Help.htm")));

    std::filesystem::remove(device.Host("Windows/Tapweave Help.htm"));
    device.Write("Windows/Tapweave Help.htm", "<p>mine</p>");
    platform::Device::Reset();
    platform::Device::Initialise();
    EXPECT_EQ(device.Read("Windows/Tapweave Help.htm"), "<p>mine</p>");
}
