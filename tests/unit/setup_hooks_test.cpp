// The setup library's hooks, loaded from the device as the installer loads them: the shortcuts
// written at installation, what removal takes away and what it must leave, and when it restarts
// the device and which window steps aside for that.
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "FakeDesktop.h"
#include "ScopedEnvironment.h"
#include "SetupLibrary.h"
#include "TempDevice.h"
#include "platform/gui.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/windows.h"

namespace {

namespace fs = std::filesystem;

const wchar_t* const installDir = L"\\Program Files\\Tapweave";
const char* const shortcutFolder = "Windows/Start Menu/Programs/Tapweave";

class SetupHooks : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(device.Host(shortcutFolder));
        fs::create_directories(device.Host("Program Files/Tapweave"));
        ASSERT_TRUE(library.Loaded());
        ASSERT_TRUE(library.installExit && library.uninstallInit && library.uninstallExit);
    }

    int InstallExit(const wchar_t* directory = installDir) {
        return library.installExit(nullptr, directory, 0, 0, 0, 0, 0);
    }

    std::set<std::string> Shortcuts() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(device.Host(shortcutFolder))) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    std::string Shortcut(const std::string& name) const {
        return device.Read(std::string(shortcutFolder) + "/" + name);
    }

    ScopedEnvironment headless{"TAPWEAVE_GUI", "headless"};
    TempDevice device;
    SetupLibrary library{TAPWEAVE_BIN_DIR};
};

// The desktop as removal meets it: the recorder's window, which the close ends unless the
// recorder holds a calibrated capture, and whatever window is in front. Records what is hidden.
class DesktopWithRecorder : public FakeDesktop {
  public:
    HWND Find(const std::wstring* className, const std::wstring* title) override {
        if (recorderOpen && className && *className == L"Tapweave Class" && title &&
            *title == L"Tapweave Recorder") {
            return recorder;
        }
        return FakeDesktop::Find(className, title);
    }
    LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        FakeDesktop::Send(hwnd, message, wParam, lParam);
        if (hwnd == recorder && message == WM_CLOSE && wParam == 1 && !calibrated) {
            recorderOpen = false;
        }
        return 0;
    }
    bool Show(HWND hwnd, int command) override {
        shown.emplace_back(hwnd, command);
        return true;
    }

    HWND recorder = nullptr;
    bool recorderOpen = true;
    bool calibrated = false;
    std::vector<std::pair<HWND, int>> shown;
};

// The count in front of a shortcut's text: it must equal the number of bytes after the "#".
void ExpectCountMatches(const std::string& text) {
    const std::size_t marker = text.find('#');
    ASSERT_NE(marker, std::string::npos) << text;
    EXPECT_EQ(std::stoul(text.substr(0, marker)), text.size() - marker) << text;
}

TEST_F(SetupHooks, AFreshInstallationWritesOnlyTheAboutShortcutByteForByte) {
    EXPECT_EQ(InstallExit(), codeINSTALL_EXIT_DONE);

    EXPECT_EQ(Shortcuts(), std::set<std::string>{"Macros - About.lnk"});
    const std::string about = Shortcut("Macros - About.lnk");
    EXPECT_EQ(about, "85#\"\\Program Files\\Tapweave\\Player.exe\" \"Macros - About\" "
                     "?\\windows\\Tapweave Setup.dll,0");
    EXPECT_EQ(about.size(), 87u);

    // The device's shell runs it: the player with the name, the icon reference left out.
    wchar_t target[MAX_PATH] = {};
    ASSERT_TRUE(SHGetShortcutTarget(
        L"\\Windows\\Start Menu\\Programs\\Tapweave\\Macros - About.lnk", target, MAX_PATH));
    EXPECT_STREQ(target, L"\"\\Program Files\\Tapweave\\Player.exe\" \"Macros - About\"");
}

TEST_F(SetupHooks, KeptMacrosGetShortcutsWithTheMacroIcon) {
    device.Write("Program Files/Tapweave/Macros/A.macros", "");
    device.Write("Program Files/Tapweave/Macros/B.macros", "Pause 10\n");
    device.Write("Program Files/Tapweave/Macros/.macros", "");
    device.Write("Program Files/Tapweave/Macros/notes.txt", "");
    // Only regular macro files count: not a folder, a FIFO, or a link.
    const std::string macros = device.Host("Program Files/Tapweave/Macros/");
    fs::create_directory(macros + "Folder.macros");
    ASSERT_EQ(mkfifo((macros + "Fifo.macros").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", macros + "Zero.macros");
    fs::create_symlink(macros + "A.macros", macros + "Link.macros");

    alarm(60);
    EXPECT_EQ(InstallExit(), codeINSTALL_EXIT_DONE);
    alarm(0);

    EXPECT_EQ(Shortcuts(), (std::set<std::string>{"Macros - About.lnk", "A.lnk", "B.lnk", ".lnk"}));
    EXPECT_EQ(
        Shortcut("A.lnk"),
        "72#\"\\Program Files\\Tapweave\\Player.exe\" \"A\" ?\\windows\\Tapweave Setup.dll,1");
    ExpectCountMatches(Shortcut("B.lnk"));
    EXPECT_NE(Shortcut("B.lnk").find("\" \"B\" ?\\windows\\Tapweave Setup.dll,1"),
              std::string::npos);
    // A file named just ".macros" is the macro with the empty name.
    EXPECT_EQ(Shortcut(".lnk"),
              "71#\"\\Program Files\\Tapweave\\Player.exe\" \"\" ?\\windows\\Tapweave Setup.dll,1");
}

TEST_F(SetupHooks, NonLatinNamesAreWrittenInUtf8AndCountedInBytes) {
    device.Write("Program Files/Tapweave/Macros/\xd0\x9f\xd0\xbe\xd1\x87\xd1\x82\xd0\xb0 "
                 "\xe9\x82\xae\xe4\xbb\xb6.macros",
                 "");

    EXPECT_EQ(InstallExit(), codeINSTALL_EXIT_DONE);

    const std::string shortcut =
        Shortcut("\xd0\x9f\xd0\xbe\xd1\x87\xd1\x82\xd0\xb0 \xe9\x82\xae\xe4\xbb\xb6.lnk");
    EXPECT_NE(
        shortcut.find("\" \"\xd0\x9f\xd0\xbe\xd1\x87\xd1\x82\xd0\xb0 \xe9\x82\xae\xe4\xbb\xb6\" "),
        std::string::npos)
        << shortcut;
    ExpectCountMatches(shortcut);
    wchar_t target[MAX_PATH] = {};
    ASSERT_TRUE(SHGetShortcutTarget(
        L"\\Windows\\Start Menu\\Programs\\Tapweave\\\u041f\u043e\u0447\u0442\u0430 "
        L"\u90ae\u4ef6.lnk",
        target, MAX_PATH));
    EXPECT_STREQ(target,
                 L"\"\\Program Files\\Tapweave\\Player.exe\" \"\u041f\u043e\u0447\u0442\u0430 "
                 L"\u90ae\u4ef6\"");
}

TEST_F(SetupHooks, WithoutTheShortcutFolderInstallationAsksToBeUndone) {
    fs::remove_all(device.Host(shortcutFolder));
    device.Write("Program Files/Tapweave/Macros/A.macros", "");
    EXPECT_EQ(InstallExit(), codeINSTALL_EXIT_UNINSTALL);
    EXPECT_FALSE(fs::exists(device.Host(shortcutFolder)));

    // Nor is the Start menu itself created.
    fs::remove_all(device.Host("Windows/Start Menu"));
    EXPECT_EQ(InstallExit(), codeINSTALL_EXIT_UNINSTALL);
    EXPECT_FALSE(fs::exists(device.Host("Windows/Start Menu")));
}

TEST_F(SetupHooks, AnAboutShortcutThatCannotBeWrittenFailsAfterTheMacroShortcuts) {
    fs::create_directories(device.Host(std::string(shortcutFolder) + "/Macros - About.lnk"));
    device.Write("Program Files/Tapweave/Macros/A.macros", "");

    EXPECT_EQ(InstallExit(), codeINSTALL_EXIT_UNINSTALL);
    ExpectCountMatches(Shortcut("A.lnk"));
}

TEST_F(SetupHooks, InstallationAndRemovalClearTheStoredSettings) {
    for (int round = 0; round < 2; ++round) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                                  L"SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window", 0, nullptr, 0,
                                  0, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        if (round == 0) {
            EXPECT_EQ(library.installInit(nullptr, TRUE, FALSE, installDir),
                      codeINSTALL_INIT_CONTINUE);
        } else {
            EXPECT_EQ(library.uninstallInit(nullptr, installDir), codeUNINSTALL_INIT_CONTINUE);
        }
        EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Veltrane\\Tapweave", 0, 0, &key),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Veltrane", 0, 0, &key),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
}

TEST_F(SetupHooks, RemovalWithoutRecorderTakesShortcutsAndFilesQuietly) {
    device.Write("Program Files/Tapweave/Macros/A.macros", "");
    ASSERT_EQ(InstallExit(), codeINSTALL_EXIT_DONE);
    device.Write("Program Files/Tapweave/Help/tips.html", "<p>");

    testing::internal::CaptureStderr();
    EXPECT_EQ(library.uninstallInit(nullptr, installDir), codeUNINSTALL_INIT_CONTINUE);
    EXPECT_EQ(library.uninstallExit(nullptr), codeUNINSTALL_EXIT_DONE);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    EXPECT_FALSE(fs::exists(device.Host(shortcutFolder)));
    EXPECT_FALSE(fs::exists(device.Host("Program Files/Tapweave")));
    EXPECT_TRUE(fs::exists(device.Host("Windows/Start Menu/Programs")));
    EXPECT_TRUE(fs::exists(device.Host("Program Files")));
}

TEST_F(SetupHooks, AFileThatCannotBeRemovedStaysWithItsFolder) {
    // A name the device cannot hold is found but cannot be deleted through the device.
    device.Write("Program Files/Tapweave/Macros/kept:file", "x");
    device.Write("Program Files/Tapweave/Macros/A.macros", "");
    ASSERT_EQ(InstallExit(), codeINSTALL_EXIT_DONE);

    EXPECT_EQ(library.uninstallInit(nullptr, installDir), codeUNINSTALL_INIT_CONTINUE);

    EXPECT_EQ(device.Read("Program Files/Tapweave/Macros/kept:file"), "x");
    EXPECT_TRUE(fs::is_directory(device.Host("Program Files/Tapweave")));
    EXPECT_FALSE(fs::exists(device.Host(shortcutFolder)));
}

TEST_F(SetupHooks, RemovalNeverTakesTheRootAFolderAboveTheInstallationOrWhatLinksPointAt) {
    device.Write("Program Files/Other/file", "other");
    device.Write("My Documents/letter.txt", "dear");
    for (const wchar_t* given :
         {L"", L"\\", L"/", L"\\Program Files", L"\\program files\\",
          L"\\Program Files\\Tapweave\\..", L"\\Program Files\\Tapweave\\.", L"..\\..",
          L"\\Windows", L"\\Windows\\Start Menu", L"\\My Documents"}) {
        library.uninstallInit(nullptr, given);
        EXPECT_EQ(device.Read("Program Files/Other/file"), "other");
        EXPECT_EQ(device.Read("My Documents/letter.txt"), "dear");
        EXPECT_TRUE(fs::is_directory(device.Host("Windows/Start Menu/Programs")));
        EXPECT_TRUE(fs::is_directory(device.Host("Program Files/Tapweave")));
    }

    // Installed elsewhere: the folders above that installation stay too.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Veltrane Tapweave", 0, nullptr,
                              0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring recorded = L"\\Storage Card\\Apps\\TW";
    RegSetValueExW(key, L"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(recorded.c_str()),
                   static_cast<DWORD>((recorded.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    device.Write("Storage Card/Apps/TW/Player.exe", "");
    device.Write("Storage Card/Apps/other.txt", "");
    library.uninstallInit(nullptr, L"\\Storage Card\\Apps");
    EXPECT_TRUE(fs::exists(device.Host("Storage Card/Apps/other.txt")));
    library.uninstallInit(nullptr, L"\\Storage Card\\Apps\\TW");
    EXPECT_FALSE(fs::exists(device.Host("Storage Card/Apps/TW")));
    EXPECT_TRUE(fs::exists(device.Host("Storage Card/Apps/other.txt")));

    // Links the installer put into the installation are removed; what they name stays.
    const fs::path outside = fs::path(device.Directory()) / "outside";
    fs::create_directories(outside / "folder");
    std::ofstream(outside / "folder" / "precious") << "keep";
    std::ofstream(outside / "program") << "keep";
    fs::create_directory_symlink(outside / "folder", device.Host("Program Files/Tapweave/Data"));
    fs::create_symlink(outside / "program", device.Host("Program Files/Tapweave/Player.exe"));
    library.uninstallInit(nullptr, installDir);
    EXPECT_FALSE(fs::exists(fs::symlink_status(device.Host("Program Files/Tapweave"))));
    EXPECT_TRUE(fs::exists(outside / "folder" / "precious"));
    EXPECT_TRUE(fs::exists(outside / "program"));

    // An installation directory that is itself a link is not followed.
    fs::create_directory_symlink(outside / "folder", device.Host("Program Files/Tapweave"));
    library.uninstallInit(nullptr, installDir);
    EXPECT_TRUE(fs::exists(outside / "folder" / "precious"));
}

TEST_F(SetupHooks,
       OnlyARecorderStillRunningAfterTheCloseRestartsTheDeviceAndOnlyDeviceWindowsHide) {
    const std::string notice = "\aTapweave: Soft reset is required.\nPRESS JOYSTICK's CENTER or "
                               "MAKE SOFT RESET manually\n";
    // A program of the desktop (a terminal, say) and one of the device's: this test runs from
    // the build's programs, as the device's programs do.
    ChildProcess terminal({"sleep", "60"});
    ASSERT_TRUE(terminal.Running());
    DesktopWithRecorder desktop;
    const HWND hostWindow =
        desktop.AddWindow(2, static_cast<DWORD>(terminal.Pid()), L"/usr/bin/sleep");
    const HWND deviceWindow = desktop.AddWindow(3, static_cast<DWORD>(getpid()),
                                                L"\\Program Files\\Tapweave\\Player.exe");
    desktop.front = deviceWindow;

    // A recorder that ends on the close leaves nothing to restart: no notice, nothing hidden.
    desktop.recorder = desktop.AddWindow(1, 0, L"\\Program Files\\Tapweave\\Recorder.exe");
    testing::internal::CaptureStderr();
    EXPECT_EQ(library.uninstallInit(nullptr, installDir), codeUNINSTALL_INIT_CONTINUE);
    EXPECT_EQ(library.uninstallExit(nullptr), codeUNINSTALL_EXIT_DONE);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(desktop.sent,
              (std::vector<FakeDesktop::Message>{{desktop.recorder, WM_CLOSE, 1, 0}}));
    EXPECT_TRUE(desktop.shown.empty());

    // One that only hides: the notice and the restart, with the window in front hidden only
    // when it is a device program's.
    for (const HWND front : {hostWindow, deviceWindow}) {
        desktop.recorderOpen = true;
        desktop.calibrated = true;
        desktop.front = front;
        desktop.shown.clear();
        testing::internal::CaptureStderr();
        library.uninstallInit(nullptr, installDir);
        EXPECT_EQ(library.uninstallExit(nullptr), codeUNINSTALL_EXIT_DONE);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), notice);
        if (front == hostWindow) {
            EXPECT_TRUE(desktop.shown.empty());
        } else {
            EXPECT_EQ(desktop.shown, (std::vector<std::pair<HWND, int>>{{deviceWindow, SW_HIDE}}));
        }
    }
    EXPECT_TRUE(terminal.Running());
}

} // namespace
