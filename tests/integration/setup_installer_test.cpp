// The installer as a person runs it, a real process on a fresh device: what install puts in
// place, what uninstall takes away, and the roll-back when the setup library refuses. Every run
// has a deadline.
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace {

namespace fs = std::filesystem;

// Runs tapweave-install with the arguments; a run past its deadline is killed and fails.
ToolRun Install(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{TAPWEAVE_BIN_DIR "/tapweave-install"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunTool(argv);
}

std::optional<std::wstring> Value(HKEY root, const wchar_t* keyName, const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, keyName, 0, 0, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    const LONG result =
        RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::optional<std::wstring>(value) : std::nullopt;
}

std::wstring Target(const wchar_t* shortcut) {
    wchar_t target[MAX_PATH] = {};
    const std::wstring path =
        std::wstring(L"\\Windows\\Start Menu\\Programs\\Tapweave\\") + shortcut;
    return SHGetShortcutTarget(path.c_str(), target, MAX_PATH) ? target : L"(unreadable)";
}

class InstallerProcess : public ::testing::Test {
  protected:
    InstallerProcess()
        : xdg((fs::path(device.Directory()) / "xdg").string()),
          tools((fs::path(device.Directory()) / "tools").string()),
          data("XDG_DATA_HOME", xdg.c_str()), path("PATH", tools.c_str()) {
        // The only text editor on this machine's search path.
        fs::create_directories(tools);
        std::ofstream(tools + "/mousepad") << "#!/bin/sh\n";
        fs::permissions(tools + "/mousepad", fs::perms::owner_all);
    }

    bool Exists(const wchar_t* devicePath) const {
        return fs::exists(fs::symlink_status(platform::HostPath(devicePath)));
    }
    bool LinksTo(const wchar_t* devicePath, const std::string& output) const {
        std::error_code error;
        return fs::equivalent(platform::HostPath(devicePath),
                              std::string(TAPWEAVE_BIN_DIR) + "/" + output, error);
    }

    ScopedEnvironment headless{"TAPWEAVE_GUI", "headless"};
    TempDevice device;
    std::string xdg;
    std::string tools;
    ScopedEnvironment data;
    ScopedEnvironment path;
};

TEST_F(InstallerProcess, InstallPutsEverythingInPlaceAndUninstallTakesItAway) {
    const bool withRecorder = fs::exists(std::string(TAPWEAVE_BIN_DIR) + "/tapweave-recorder");
    const ToolRun install = Install({"install", "--desktop-entries"});
    ASSERT_EQ(install.exitCode, 0) << install.errors;
    EXPECT_NE(install.output.find("Tapweave installed in \\Program Files\\Tapweave"),
              std::string::npos)
        << install.output;

    EXPECT_TRUE(LinksTo(L"\\Program Files\\Tapweave\\Player.exe", "tapweave-player"));
    EXPECT_TRUE(LinksTo(L"\\Program Files\\Tapweave\\Common.dll", "libtapweave-common.so"));
    EXPECT_TRUE(LinksTo(L"\\Windows\\Tapweave Setup.dll", "libtapweave-setup.so"));
    EXPECT_TRUE(LinksTo(L"\\Windows\\Tapweave Help.htm", "Tapweave Help.htm"));
    EXPECT_EQ(LinksTo(L"\\Program Files\\Tapweave\\Recorder.exe", "tapweave-recorder"),
              withRecorder);

    EXPECT_EQ(Target(L"Macros - About.lnk"),
              L"\"\\Program Files\\Tapweave\\Player.exe\" \"Macros - About\"");
    EXPECT_EQ(Target(L"Macros - Show All.lnk"), L"\"\\Program Files\\Tapweave\\Player.exe\"");
    EXPECT_EQ(Target(L"Macros - Useful Tips.lnk"), L"\"\\Windows\\peghelp.exe\" Tapweave Help.htm");
    EXPECT_TRUE(Exists(L"\\Windows\\Start Menu\\Programs\\Tapweave\\icon.lnk"));
    if (withRecorder) {
        EXPECT_EQ(Target(L"Macros - Create.lnk"), L"\"\\Program Files\\Tapweave\\Recorder.exe\"");
    }

    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Veltrane Tapweave", L"InstallDir"),
              L"\\Program Files\\Tapweave");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L".macros", nullptr), L"macrosfile");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"macrosfile\\Shell\\Open\\Command", nullptr),
              std::wstring(tools.begin(), tools.end()) + L"/mousepad \"%1\"");
    const std::string recorderEntry = xdg + "/applications/tapweave-recorder.desktop";
    const std::string macrosEntry = xdg + "/applications/tapweave-macros.desktop";
    EXPECT_EQ(fs::exists(recorderEntry), withRecorder);
    std::ifstream entry(macrosEntry);
    const std::string text((std::istreambuf_iterator<char>(entry)),
                           std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Name=Tapweave Macros\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" start \"Macros - Show All\"\n"), std::string::npos) << text;

    const ToolRun uninstall = Install({"uninstall", "--desktop-entries"});
    ASSERT_EQ(uninstall.exitCode, 0) << uninstall.errors;
    EXPECT_FALSE(Exists(L"\\Program Files\\Tapweave"));
    EXPECT_FALSE(Exists(L"\\Windows\\Start Menu\\Programs\\Tapweave"));
    EXPECT_FALSE(Exists(L"\\Windows\\Tapweave Setup.dll"));
    EXPECT_FALSE(Exists(L"\\Windows\\Tapweave Help.htm"));
    EXPECT_TRUE(Exists(L"\\Program Files"));
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Veltrane Tapweave", L"InstallDir"),
              std::nullopt);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L".macros", nullptr), std::nullopt);
    EXPECT_FALSE(fs::exists(macrosEntry));
    EXPECT_FALSE(fs::exists(recorderEntry));

    const ToolRun again = Install({"uninstall"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.errors.find("not installed"), std::string::npos) << again.errors;
}

TEST_F(InstallerProcess, KeptMacrosReappearInAnInstallationElsewhere) {
    device.Write("Storage Card/TW/Macros/Mail.macros", "Pause 5\n");
    const ToolRun install = Install({"install", "--dir", "/Storage Card/TW/"});
    ASSERT_EQ(install.exitCode, 0) << install.errors;
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Veltrane Tapweave", L"InstallDir"),
              L"\\Storage Card\\TW");
    EXPECT_EQ(Target(L"Mail.lnk"), L"\"\\Storage Card\\TW\\Player.exe\" \"Mail\"");
    EXPECT_TRUE(LinksTo(L"\\Storage Card\\TW\\Player.exe", "tapweave-player"));
}

TEST_F(InstallerProcess, WhenTheShortcutsCannotBeWrittenTheInstallationIsUndone) {
    // A file where the shortcut folder belongs.
    device.Write("Windows/Start Menu/Programs/Tapweave", "in the way");

    const ToolRun install = Install({"install"});
    EXPECT_EQ(install.exitCode, 1);
    EXPECT_NE(install.errors.find("undone"), std::string::npos) << install.errors;
    EXPECT_FALSE(Exists(L"\\Program Files\\Tapweave"));
    EXPECT_FALSE(Exists(L"\\Windows\\Tapweave Setup.dll"));
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Veltrane Tapweave", L"InstallDir"),
              std::nullopt);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L".macros", nullptr), std::nullopt);
    EXPECT_EQ(device.Read("Windows/Start Menu/Programs/Tapweave"), "in the way");
}

TEST_F(InstallerProcess, BadArgumentsAreRefusedWithTheUsage) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{},
                                               {"reinstall"},
                                               {"install", "--dir"},
                                               {"install", "--dir", "\\"},
                                               {"install", "--dir", "\\Program Files\\.."},
                                               {"uninstall", "--dir", "\\x"},
                                               {"install", "--bogus"}}) {
        const ToolRun run = Install(arguments);
        EXPECT_EQ(run.exitCode, 2) << run.errors;
        EXPECT_NE(run.errors.find("usage: tapweave-install"), std::string::npos);
    }
    EXPECT_FALSE(Exists(L"\\Program Files\\Tapweave"));
}

} // namespace
