#include <gtest/gtest.h>

#include "SampleCollector.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "platform/modules.h"
#include "platform/touch.h"

TEST(Modules, TheTouchDriverLoadsFromTheDeviceWithItsExports) {
    TempDevice device;
    const HMODULE module = LoadLibraryW(L"\\Windows\\touch.dll");
    ASSERT_NE(module, nullptr);
    for (const wchar_t* name : {L"TouchPanelEnable", L"TouchPanelDisable",
                                L"TouchPanelGetDeviceCaps", L"TouchPanelSetCalibration"}) {
        EXPECT_NE(GetProcAddressW(module, name), nullptr) << name;
    }
    EXPECT_EQ(GetProcAddressW(module, "TouchPanelEnable"),
              GetProcAddressW(module, L"TouchPanelEnable"));
    EXPECT_EQ(GetProcAddressW(module, L"TouchPanelCalibrateAPoint"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetProcAddressW(module, L"TouchPanel\u00e9"), nullptr);

    // Loading again gives the same module, and each load is freed on its own.
    EXPECT_EQ(LoadLibraryW(L"\\WINDOWS\\Touch.DLL"), module);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_NE(GetProcAddressW(module, L"TouchPanelEnable"), nullptr);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetProcAddressW(module, L"TouchPanelEnable"), nullptr);
    EXPECT_FALSE(FreeLibrary(module));
}

TEST(Modules, MissingOrForeignFilesAreNoModules) {
    TempDevice device;
    device.Write("Windows/notes.dll", "not a library\n");
    EXPECT_EQ(LoadLibraryW(L"\\Windows\\missing.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryW(L"\\Windows\\notes.dll"), nullptr);
    EXPECT_EQ(LoadLibraryW(L"\\..\\..\\..\\usr\\lib\\x86_64-linux-gnu\\libc.so.6"), nullptr);
    EXPECT_EQ(LoadLibraryW(L""), nullptr);
    EXPECT_EQ(GetProcAddressW(nullptr, L"TouchPanelEnable"), nullptr);
}

// The recorder's whole use of the driver: a script touches a calibrated panel.
TEST(Modules, TheLoadedDriverDeliversCalibratedSamplesFromAScript) {
    TempDevice device;
    device.Write("script.txt", "0 down 100 200\n30 up 300 400\n");
    const std::string source = "script:" + device.Host("script.txt");
    ScopedEnvironment touch("TAPWEAVE_TOUCH", source.c_str());
    const HMODULE module = LoadLibraryW(L"\\Windows\\touch.dll");
    ASSERT_NE(module, nullptr);
    const auto enable =
        reinterpret_cast<PFN_TOUCH_PANEL_ENABLE>(GetProcAddressW(module, L"TouchPanelEnable"));
    const auto setCalibration = reinterpret_cast<PFN_TOUCH_PANEL_SET_CALIBRATION>(
        GetProcAddressW(module, L"TouchPanelSetCalibration"));
    ASSERT_TRUE(enable && setCalibration);

    // Raw positions are ten times the screen pixel.
    const INT screenX[] = {120, 30, 210, 210, 30};
    const INT screenY[] = {160, 40, 40, 280, 280};
    const INT rawX[] = {1200, 300, 2100, 2100, 300};
    const INT rawY[] = {1600, 400, 400, 2800, 2800};
    ASSERT_TRUE(setCalibration(5, screenX, screenY, rawX, rawY));
    SampleCollector::Clear();
    ASSERT_TRUE(enable(&SampleCollector::Callback));
    // The script's end is heard after its last sample.
    const auto samples = SampleCollector::WaitFor(3, std::chrono::seconds(5));
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[0].flags, TouchSampleValidFlag | TouchSampleDownFlag);
    EXPECT_EQ(samples[0].x, 40);
    EXPECT_EQ(samples[0].y, 80);
    EXPECT_EQ(samples[1].flags, TouchSampleValidFlag);
    EXPECT_EQ(samples[1].x, 120);
    EXPECT_EQ(samples[1].y, 160);
    EXPECT_EQ(samples[2].flags, TouchSampleSourceEndedFlag);
    EXPECT_TRUE(FreeLibrary(module));
}
