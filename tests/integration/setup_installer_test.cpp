// The installer as a person runs it, a real process on a fresh device: what install puts in
// place, what uninstall takes away, the roll-back that puts back what an installation that
// fails has changed, and the removal that says what it could not take away. Every run has a
// deadline.
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs tapweave-install with the arguments; a run past its deadline is killed and fails.
Outcome Install(const std::vector<std::string>& arguments) {
    const std::string program = std::string(TAPWEAVE_BIN_DIR) + "/tapweave-install";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    int out[2];
    int err[2];
    Outcome run;
    if (pipe(out) != 0 || pipe(err) != 0) {
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    pid_t process = 0;
    const int spawned =
        posix_spawn(&process, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (spawned != 0) {
        close(out[0]);
        close(err[0]);
        return run;
    }
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* texts[2] = {&run.out, &run.err};
    int open = 2;
    while (open > 0 && Clock::now() < deadline) {
        if (poll(fds, 2, 100) <= 0) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP))) {
                char buffer[4096];
                const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
                if (got > 0) {
                    texts[i]->append(buffer, static_cast<std::size_t>(got));
                } else {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
    if (open > 0) {
        kill(process, SIGKILL);
    }
    for (const pollfd& fd : fds) {
        if (fd.fd >= 0) {
            close(fd.fd);
        }
    }
    int status = 0;
    waitpid(process, &status, 0);
    run.exitCode = open == 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
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
    const Outcome install = Install({"install", "--desktop-entries"});
    ASSERT_EQ(install.exitCode, 0) << install.err;
    EXPECT_NE(install.out.find("Tapweave installed in \\Program Files\\Tapweave"),
              std::string::npos)
        << install.out;

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

    const Outcome uninstall = Install({"uninstall", "--desktop-entries"});
    ASSERT_EQ(uninstall.exitCode, 0) << uninstall.err;
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

    const Outcome again = Install({"uninstall"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("not installed"), std::string::npos) << again.err;
}

TEST_F(InstallerProcess, KeptMacrosReappearInAnInstallationElsewhere) {
    device.Write("Storage Card/TW/Macros/Mail.macros", "Pause 5\n");
    const Outcome install = Install({"install", "--dir", "/Storage Card/TW/"});
    ASSERT_EQ(install.exitCode, 0) << install.err;
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Veltrane Tapweave", L"InstallDir"),
              L"\\Storage Card\\TW");
    EXPECT_EQ(Target(L"Mail.lnk"), L"\"\\Storage Card\\TW\\Player.exe\" \"Mail\"");
    EXPECT_TRUE(LinksTo(L"\\Storage Card\\TW\\Player.exe", "tapweave-player"));
}

TEST_F(InstallerProcess, WhenTheShortcutsCannotBeWrittenTheInstallationIsUndone) {
    // A file where the shortcut folder belongs.
    device.Write("Windows/Start Menu/Programs/Tapweave", "in the way");

    const Outcome install = Install({"install"});
    EXPECT_EQ(install.exitCode, 1);
    EXPECT_NE(install.err.find("undone"), std::string::npos) << install.err;
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
        const Outcome reinstall = Install({"install", "--dir", "\\Storage Card\\TW"});
        EXPECT_EQ(reinstall.exitCode, 1) << reinstall.err;

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
    const Outcome reinstall = Install({"install"});
    EXPECT_EQ(reinstall.exitCode, 0) << reinstall.err;
    EXPECT_TRUE(LinksTo(L"\\Windows\\Tapweave Setup.dll", "libtapweave-setup.so"));

    // A file the device cannot delete keeps the installation directory.
    damage();
    device.Write("Program Files/Tapweave/Macros/kept:file", "x");
    const Outcome stuck = Install({"uninstall"});
    EXPECT_EQ(stuck.exitCode, 1);
    EXPECT_NE(stuck.err.find("cannot remove \\Program Files\\Tapweave\n"), std::string::npos)
        << stuck.err;
    EXPECT_EQ(stuck.out.find("removed"), std::string::npos) << stuck.out;
    EXPECT_FALSE(Exists(L"\\Windows\\Start Menu\\Programs\\Tapweave"));
    // Still recorded, so that removal can be run again.
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Veltrane Tapweave", L"InstallDir"),
              L"\\Program Files\\Tapweave");

    fs::remove(device.Host("Program Files/Tapweave/Macros/kept:file"));
    const Outcome again = Install({"uninstall"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_FALSE(Exists(L"\\Program Files\\Tapweave"));
    EXPECT_FALSE(Exists(L"\\Windows\\Tapweave Setup.dll"));
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Veltrane Tapweave", L"InstallDir"),
              std::nullopt);
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
                                               {"install", "--bogus"}}) {
        const Outcome run = Install(arguments);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_NE(run.err.find("usage: tapweave-install"), std::string::npos);
    }
    EXPECT_FALSE(Exists(L"\\Program Files\\Tapweave"));
}

} // namespace
