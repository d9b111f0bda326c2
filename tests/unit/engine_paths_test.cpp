// The installation directory recorded by the device's installer, and the shared names.
#include <gtest/gtest.h>

#include <filesystem>

#include "InstallPaths.h"
#include "MacroDocument.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "platform/registry.h"

namespace {

void RecordInstallDir(const std::wstring& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Veltrane Tapweave", 0, nullptr,
                              0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, L"InstallDir", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(InstallPaths, DefaultWithoutTheInstallersKey) {
    TempDevice device;
    EXPECT_EQ(GetInstallDirectory(), L"\\Program Files\\Tapweave\\");
    EXPECT_EQ(GetMacroFolder(), L"\\Program Files\\Tapweave\\Macros\\");
}

TEST(InstallPaths, RecordedDirectoryIsUsedAsItStands) {
    TempDevice device;
    RecordInstallDir(L"\\Storage Card\\Apps\\TW");
    EXPECT_EQ(GetInstallDirectory(), L"\\Storage Card\\Apps\\TW\\");
    EXPECT_EQ(GetMacroFolder(), L"\\Storage Card\\Apps\\TW\\Macros\\");

    device.Write("Storage Card/Apps/TW/Macros/Card.macros", "Press 1 2\n");
    MacroDocument document;
    EXPECT_TRUE(document.Load(L"Card"));
    EXPECT_EQ(document.Steps().size(), 1u);

    RecordInstallDir(L"");
    EXPECT_EQ(GetInstallDirectory(), L"\\");
    EXPECT_EQ(GetMacroFolder(), L"\\Macros\\");
    RecordInstallDir(L"\\Apps\\");
    EXPECT_EQ(GetInstallDirectory(), L"\\Apps\\\\");
}

// The player started under a device path of its own (as a shortcut starts it) is where the
// installer put it: its folder answers, whatever the registry says. A program under another name
// asks the registry.
TEST(InstallPaths, ThePlayerUnderItsDevicePathUsesTheFolderItRunsFrom) {
    TempDevice device;
    RecordInstallDir(L"\\Storage Card\\Apps\\TW");
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::filesystem::create_directories(device.Host("Apps/Elsewhere"));
    std::filesystem::create_symlink(self, device.Host("Apps/Elsewhere/player.EXE"));
    std::filesystem::create_symlink(self, device.Host("Apps/Elsewhere/Recorder.exe"));
    {
        ScopedEnvironment image("TAPWEAVE_IMAGE", "\\Apps\\Elsewhere\\player.EXE");
        EXPECT_EQ(GetInstallDirectory(), L"\\Apps\\Elsewhere\\");
        EXPECT_EQ(GetMacroFolder(), L"\\Apps\\Elsewhere\\Macros\\");
    }
    ScopedEnvironment image("TAPWEAVE_IMAGE", "\\Apps\\Elsewhere\\Recorder.exe");
    EXPECT_EQ(GetInstallDirectory(), L"\\Storage Card\\Apps\\TW\\");
}

} // namespace
