// The installer as a person runs it, a real process on a fresh device: what install puts in
// place, what uninstall takes away, the roll-back that puts back what an installation that
// fails has changed, and the removal that says what it could not take away. Every run has a
// deadline.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "ChildProcess.h"
#include "FileContent.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace {

namespace fs = std::filesystem;

// The search path this test was started with, for the host's own tools.
const std::string hostSearchPath = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";

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

void SetText(HKEY root, const wchar_t* keyName, const std::wstring& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, keyName, 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// Runs SQL on the device's registry file beside the device's own connections.
void OnRegistryFile(const std::string& device, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((device + "/registry.db").c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
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
    const std::string text = FileContent(macrosEntry);
    EXPECT_NE(text.find("Name=Tapweave Macros\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" start \"Macros - Show All\"\n"), std::string::npos) << text;
    // Each shows its program's own icon, a PNG of the user's icon theme that a decoder reads
    // whole; the recorder's entry can also end the recorder.
    const std::string icons = xdg + "/icons/hicolor/32x32/apps/";
    EXPECT_NE(text.find("\nIcon=tapweave-macros\n"), std::string::npos) << text;
    const ToolRun icon = [&] {
        const ScopedEnvironment searchPath("PATH", hostSearchPath.c_str());
        return RunTool({"identify", "-format", "%m %wx%h %k", icons + "tapweave-macros.png"});
    }();
    EXPECT_EQ(icon.exitCode, 0) << icon.errors;
    EXPECT_EQ(icon.output.rfind("PNG 32x32 ", 0), 0u) << icon.output;
    EXPECT_GT(std::stoi(icon.output.substr(10)), 2) << icon.output;
    if (withRecorder) {
        const std::string recorder = FileContent(recorderEntry);
        EXPECT_NE(recorder.find("\nIcon=tapweave-recorder\n"), std::string::npos) << recorder;
        EXPECT_NE(recorder.find("\nActions=Quit;\n"), std::string::npos) << recorder;
        EXPECT_NE(recorder.find("/tapweave-recorder\" --quit\n"), std::string::npos) << recorder;
        EXPECT_TRUE(fs::exists(icons + "tapweave-recorder.png"));
    }
    // Entries of another device are no business of this one's removal.
    const std::string otherEntry = xdg + "/applications/tapweave-other.desktop";
    std::ofstream(otherEntry) << "Exec=env \"TAPWEAVE_DEVICE=/elsewhere\" tapweave-install\n";

    // The entries go with every removal, asked for or not.
    const ToolRun uninstall = Install({"uninstall"});
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
    EXPECT_FALSE(fs::exists(icons + "tapweave-macros.png"));
    EXPECT_FALSE(fs::exists(icons + "tapweave-recorder.png"));
    EXPECT_TRUE(fs::exists(otherEntry));

    const ToolRun again = Install({"uninstall"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.errors.find("not installed"), std::string::npos) << again.errors;
    // An entry kept from before says why it starts nothing.
    const ToolRun stale = Install({"start", "Macros - Show All"});
    EXPECT_EQ(stale.exitCode, 1);
    EXPECT_NE(stale.errors.find("Tapweave is not installed on the device"), std::string::npos)
        << stale.errors;
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

TEST_F(InstallerProcess, AFailedReinstallPutsBackWhatWasThere) {
    const wchar_t* const command = L"macrosfile\\Shell\\Open\\Command";
    const wchar_t* const position = L"SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window";
    const char* const about = "Windows/Start Menu/Programs/Tapweave/Macros - About.lnk";
    device.Write("Program Files/Tapweave/Macros/Mail.macros", "Pause 5\n");
    ASSERT_EQ(Install({"install"}).exitCode, 0);
    // What the person has set since: an editor of their own, the recorder's place.
    SetText(HKEY_CLASSES_ROOT, command, L"ed \"%1\"");
    SetText(HKEY_LOCAL_MACHINE, position, L"kept");

    struct Fault {
        const char* what;
        std::function<void()> make;
        std::function<void()> mend;
    };
    const Fault faults[] = {
        {"the registry refuses the installation directory",
         [&] {
             OnRegistryFile(device.Directory(),
                            "CREATE TRIGGER refuse BEFORE INSERT ON registry_values "
                            "WHEN NEW.folded = 'installdir' BEGIN SELECT RAISE(ABORT, 'busy'); "
                            "END");
         },
         [&] { OnRegistryFile(device.Directory(), "DROP TRIGGER refuse"); }},
        {"a folder where the About shortcut belongs",
         [&] {
             fs::remove(device.Host(about));
             device.Write(std::string(about) + "/mine", "kept");
         },
         [&] { EXPECT_EQ(device.Read(std::string(about) + "/mine"), "kept"); }},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        fault.make();
        const ToolRun reinstall = Install({"install", "--dir", "\\Storage Card\\TW"});
        EXPECT_EQ(reinstall.exitCode, 1) << reinstall.errors;

        EXPECT_EQ(Target(L"Macros - Show All.lnk"), L"\"\\Program Files\\Tapweave\\Player.exe\"");
        EXPECT_EQ(Target(L"Mail.lnk"), L"\"\\Program Files\\Tapweave\\Player.exe\" \"Mail\"");
        EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Veltrane Tapweave", L"InstallDir"),
                  L"\\Program Files\\Tapweave");
        EXPECT_EQ(Value(HKEY_CLASSES_ROOT, command, nullptr), L"ed \"%1\"");
        EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, position, nullptr), L"kept");
        EXPECT_TRUE(LinksTo(L"\\Windows\\Tapweave Setup.dll", "libtapweave-setup.so"));
        EXPECT_TRUE(LinksTo(L"\\Program Files\\Tapweave\\Player.exe", "tapweave-player"));
        EXPECT_FALSE(Exists(L"\\Storage Card"));
        fault.mend();
    }
    EXPECT_EQ(Install({"uninstall"}).exitCode, 0);
}

TEST_F(InstallerProcess, ADamagedSetupLibraryIsReplacedAndRemovalSaysWhatItLeaves) {
    const auto damage = [&] {
        fs::remove(device.Host("Windows/Tapweave Setup.dll"));
        device.Write("Windows/Tapweave Setup.dll", "damaged");
    };
    ASSERT_EQ(Install({"install"}).exitCode, 0);
    damage();
    const ToolRun reinstall = Install({"install"});
    EXPECT_EQ(reinstall.exitCode, 0) << reinstall.errors;
    EXPECT_TRUE(LinksTo(L"\\Windows\\Tapweave Setup.dll", "libtapweave-setup.so"));

    // A file the device cannot delete keeps the installation directory.
    damage();
    device.Write("Program Files/Tapweave/Macros/kept:file", "x");
    const ToolRun stuck = Install({"uninstall"});
    EXPECT_EQ(stuck.exitCode, 1);
    EXPECT_NE(stuck.errors.find("cannot remove \\Program Files\\Tapweave\n"), std::string::npos)
        << stuck.errors;
    EXPECT_EQ(stuck.output.find("removed"), std::string::npos) << stuck.output;
    EXPECT_FALSE(Exists(L"\\Windows\\Start Menu\\Programs\\Tapweave"));
    // Still recorded, so that removal can be run again.
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Veltrane Tapweave", L"InstallDir"),
              L"\\Program Files\\Tapweave");

    fs::remove(device.Host("Program Files/Tapweave/Macros/kept:file"));
    const ToolRun again = Install({"uninstall"});
    EXPECT_EQ(again.exitCode, 0) << again.errors;
    EXPECT_FALSE(Exists(L"\\Program Files\\Tapweave"));
    EXPECT_FALSE(Exists(L"\\Windows\\Tapweave Setup.dll"));
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Veltrane Tapweave", L"InstallDir"),
              std::nullopt);
}

// The rule for /dev/uinput goes into a folder of the test's; udevadm, a stand-in that notes its
// arguments, is asked to read the rules again and apply them to uinput. Without udevadm the
// rule is still in place and the person is told what to run; the system's folder needs root.
TEST_F(InstallerProcess, TheUdevRuleIsPutInPlaceAndUdevAskedToApplyIt) {
    const std::string rules = device.Directory() + "/rules.d";
    const std::string calls = device.Directory() + "/udevadm.log";
    fs::create_directories(rules);
    std::ofstream(tools + "/udevadm") << "#!/bin/sh\necho \"$@\" >> '" << calls << "'\n";
    fs::permissions(tools + "/udevadm", fs::perms::owner_all);
    ToolRun run = Install({"udev-rule", "--rules-dir", rules});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    const std::string rule = FileContent(rules + "/70-tapweave-uinput.rules");
    for (const char* part :
         {"KERNEL==\"uinput\"", "TAG+=\"uaccess\"", "GROUP=\"input\"", "MODE=\"0660\""}) {
        EXPECT_NE(rule.find(part), std::string::npos) << rule;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(rules), fs::directory_iterator()), 1);
    EXPECT_EQ(fs::status(rules + "/70-tapweave-uinput.rules").permissions() & fs::perms::all,
              fs::perms(0644));
    EXPECT_EQ(FileContent(calls),
              "control --reload-rules\ntrigger --subsystem-match=misc --sysname-match=uinput\n");

    fs::remove(tools + "/udevadm");
    run = Install({"udev-rule", "--rules-dir", rules});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.errors.find("udevadm control --reload-rules"), std::string::npos) << run.errors;

    run = Install({"udev-rule", "--rules-dir", rules + "/missing"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errors.find(rules + "/missing"), std::string::npos) << run.errors;

    std::vector<std::string> asUser{TAPWEAVE_BIN_DIR "/tapweave-install", "udev-rule"};
    if (geteuid() == 0) {
        if (!fs::exists("/usr/bin/setpriv")) {
            GTEST_SKIP() << "no setpriv to give up root with";
        }
        asUser.insert(asUser.begin(),
                      {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    }
    run = RunTool(asUser);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errors.find("sudo tapweave-install udev-rule"), std::string::npos) << run.errors;
    EXPECT_NE(Install({"--help"}).output.find("tapweave-install udev-rule"), std::string::npos);
}

TEST_F(InstallerProcess, BadArgumentsAreRefusedWithTheUsage) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{},
                                               {"reinstall"},
                                               {"install", "--dir"},
                                               {"install", "--dir", "\\"},
                                               {"install", "--dir", "\\Program Files\\.."},
                                               {"install", "--dir", std::string(240, 'd')},
                                               {"uninstall", "--dir", "\\x"},
                                               {"install", "--bogus"},
                                               {"udev-rule", "--rules-dir"},
                                               {"udev-rule", "/etc"}}) {
        const ToolRun run = Install(arguments);
        EXPECT_EQ(run.exitCode, 2) << run.errors;
        EXPECT_NE(run.errors.find("usage: tapweave-install"), std::string::npos);
    }
    EXPECT_FALSE(Exists(L"\\Program Files\\Tapweave"));
}

} // namespace
