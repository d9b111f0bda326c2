// The device's shell on a temporary device: shortcut files byte for byte, special folders,
// shortcuts run through ShellExecuteEx, and documents opened by their registered association
// or by xdg-open. Programs are started by a launcher that only records.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "FakeDesktop.h"
#include "RecordingLauncher.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace {

const std::string programsFolder = "Windows/Start Menu/Programs/";
const std::wstring playerCommand = L"\"\\Program Files\\Tapweave\\Player.exe\" \"New Macro\"";

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// Fake windows that the shell can find by the program they belong to.
class ProgramsDesktop : public FakeDesktop {
  public:
    HWND WindowOfProgram(const std::wstring& program) override {
        for (const auto& [hwnd, processId] : owners) {
            if (programs[processId] == program) {
                return hwnd;
            }
        }
        return nullptr;
    }
};

class ShellTest : public ::testing::Test {
  protected:
    BOOL Create(const std::wstring& path, const std::wstring& target) {
        std::wstring shortcut = path;
        std::wstring commandLine = target;
        return SHCreateShortcut(shortcut.data(), commandLine.data());
    }
    // The shortcut's target, or "FALSE <error>" when it cannot be read.
    std::wstring Target(const std::wstring& path, int max = MAX_PATH) {
        std::vector<wchar_t> target(static_cast<std::size_t>(max) + 1, L'#');
        SetLastError(ERROR_SUCCESS);
        if (!SHGetShortcutTarget(path.c_str(), target.data(), max)) {
            EXPECT_EQ(target[0], L'\0');
            return L"FALSE " + std::to_wstring(GetLastError());
        }
        return target.data();
    }
    void SetDefault(const std::wstring& keyName, const std::wstring& value) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, keyName.c_str(), 0, nullptr, 0, 0, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    static SHELLEXECUTEINFO Info(LPCWSTR file, LPCWSTR parameters = nullptr) {
        SHELLEXECUTEINFO info{};
        info.cbSize = 60;
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.lpVerb = L"Open";
        info.lpFile = file;
        info.lpParameters = parameters;
        return info;
    }
    // Opens the file; the error code, or ERROR_SUCCESS with the process handle closed.
    static DWORD Open(LPCWSTR file, LPCWSTR parameters = nullptr) {
        SHELLEXECUTEINFO info = Info(file, parameters);
        SetLastError(ERROR_SUCCESS);
        if (!ShellExecuteEx(&info)) {
            EXPECT_EQ(info.hProcess, nullptr);
            return GetLastError();
        }
        EXPECT_GT(reinterpret_cast<std::intptr_t>(info.hInstApp), 32);
        EXPECT_TRUE(CloseHandle(info.hProcess));
        return ERROR_SUCCESS;
    }
    std::string Host(const std::string& relative) const { return device.Host(relative); }

    TempDevice device;
    RecordingLauncher launcher;
};

TEST_F(ShellTest, ShortcutFileCountsTheUtf8BytesOfItsCommandLine) {
    std::filesystem::create_directories(Host(programsFolder + "Tapweave"));
    ASSERT_TRUE(Create(L"\\Windows\\Start Menu\\Programs\\Tapweave\\New Macro.lnk", playerCommand));
    EXPECT_EQ(device.Read(programsFolder + "Tapweave/New Macro.lnk"),
              "48#\"\\Program Files\\Tapweave\\Player.exe\" \"New Macro\"");

    // Cyrillic letters take two bytes each: 17 characters, 23 bytes.
    const std::wstring russian = L"\"\\P.exe\" \"Запись\"";
    ASSERT_TRUE(Create(L"\\Windows\\Start Menu\\Programs\\Tapweave\\Запись.lnk", russian));
    EXPECT_EQ(device.Read(programsFolder + "Tapweave/Запись.lnk"),
              "23#\"\\P.exe\" \"\xD0\x97\xD0\xB0\xD0\xBF\xD0\xB8\xD1\x81\xD1\x8C\"");
    EXPECT_EQ(Target(L"\\Windows\\Start Menu\\Programs\\Tapweave\\запись.LNK"), russian);

    // An existing shortcut is written over.
    ASSERT_TRUE(Create(L"\\Windows\\Start Menu\\Programs\\Tapweave\\New Macro.lnk", L"x"));
    EXPECT_EQ(device.Read(programsFolder + "Tapweave/New Macro.lnk"), "1#x");
}

TEST_F(ShellTest, ShortcutsThatCannotBeWritten) {
    // A name a device file cannot hold; a missing folder, which is not made; an empty target.
    EXPECT_FALSE(Create(L"\\Windows\\Start Menu\\Programs\\a|b.lnk", L"x"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_FALSE(Create(L"\\Windows\\Start Menu\\Programs\\Tapweave\\A.lnk", L"x"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(std::filesystem::exists(Host(programsFolder + "Tapweave")));
    EXPECT_FALSE(Create(L"\\Windows\\A.lnk", L""));
    EXPECT_FALSE(std::filesystem::exists(Host("Windows/A.lnk")));
    EXPECT_FALSE(SHCreateShortcut(nullptr, nullptr));
    // Never written through a link, nor into a FIFO, which would wait for a reader.
    alarm(60);
    std::filesystem::create_symlink(device.Directory() + "/outside", Host("Out.lnk"));
    ASSERT_EQ(mkfifo(Host("Fifo.lnk").c_str(), 0644), 0);
    for (LPCWSTR shortcut : {L"\\Out.lnk", L"\\Fifo.lnk"}) {
        EXPECT_FALSE(Create(shortcut, L"x")) << shortcut;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    EXPECT_FALSE(std::filesystem::exists(device.Directory() + "/outside"));
    alarm(0);
}

TEST_F(ShellTest, SetupLibraryShortcutsAreReadWithoutTheirIcon) {
    device.Write("About.lnk", "85#\"\\Program Files\\Tapweave\\Player.exe\" \"Macros - About\" "
                              "?\\windows\\Tapweave Setup.dll,0");
    EXPECT_EQ(Target(L"\\About.lnk"),
              L"\"\\Program Files\\Tapweave\\Player.exe\" \"Macros - About\"");
    // The setup library counts the "#" as well; so does a form without an icon.
    device.Write("Plain.lnk", "4#abc");
    EXPECT_EQ(Target(L"\\Plain.lnk"), L"abc");
}

TEST_F(ShellTest, DamagedShortcutsFailCleanly) {
    const std::string invalid = "FALSE " + std::to_string(ERROR_INVALID_DATA);
    const std::vector<std::string> damaged = {
        "2#abc",   "6#abc",  "#abc",   "x#abc",         "3abc",           "",
        "0#",      "-3#abc", " 3#abc", "99999999999#a", "3#\xFF\xFE\xFD",
        "6# ?icon" // only an icon reference: no command line
    };
    for (const std::string& text : damaged) {
        device.Write("Bad.lnk", text);
        EXPECT_EQ(Target(L"\\Bad.lnk"), Wide(invalid)) << text;
    }
    device.Write("Big.lnk", "5000#" + std::string(5000, 'a'));
    EXPECT_EQ(Target(L"\\Big.lnk"), Wide(invalid));
    EXPECT_EQ(Target(L"\\Missing.lnk"), L"FALSE " + std::to_wstring(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Target(L"\\Windows"), L"FALSE " + std::to_wstring(ERROR_ACCESS_DENIED));
    // Nothing but a regular file is read: not a FIFO that no one writes, not a link.
    alarm(60);
    ASSERT_EQ(mkfifo(Host("Fifo.lnk").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", Host("Zero.lnk"));
    std::filesystem::create_symlink(Host("Plain.lnk"), Host("Link.lnk"));
    device.Write("Plain.lnk", "3#abc");
    for (LPCWSTR shortcut : {L"\\Fifo.lnk", L"\\Zero.lnk", L"\\Link.lnk"}) {
        EXPECT_EQ(Target(shortcut), L"FALSE " + std::to_wstring(ERROR_ACCESS_DENIED)) << shortcut;
    }
    alarm(0);

    // The command line must fit with its terminator.
    device.Write("Fits.lnk", "3#abc");
    EXPECT_EQ(Target(L"\\Fits.lnk", 4), L"abc");
    EXPECT_EQ(Target(L"\\Fits.lnk", 3), L"FALSE " + std::to_wstring(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(ShellTest, SpecialFoldersExistOrAreMade) {
    wchar_t path[MAX_PATH] = L"#";
    ASSERT_TRUE(SHGetSpecialFolderPath(nullptr, path, CSIDL_PROGRAMS, FALSE));
    EXPECT_STREQ(path, L"\\Windows\\Start Menu\\Programs");
    ASSERT_TRUE(SHGetSpecialFolderPath(nullptr, path, CSIDL_PERSONAL, FALSE));
    EXPECT_STREQ(path, L"\\My Documents");
    ASSERT_TRUE(SHGetSpecialFolderPath(nullptr, path, CSIDL_WINDOWS, FALSE));
    EXPECT_STREQ(path, L"\\Windows");

    std::filesystem::remove_all(Host("Windows/Start Menu"));
    EXPECT_FALSE(SHGetSpecialFolderPath(nullptr, path, CSIDL_PROGRAMS, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(std::filesystem::exists(Host("Windows/Start Menu")));
    ASSERT_TRUE(SHGetSpecialFolderPath(nullptr, path, CSIDL_PROGRAMS, TRUE));
    EXPECT_STREQ(path, L"\\Windows\\Start Menu\\Programs");
    EXPECT_TRUE(std::filesystem::is_directory(Host("Windows/Start Menu/Programs")));

    EXPECT_FALSE(SHGetSpecialFolderPath(nullptr, path, 0x7777, TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ShellTest, ShortcutRunsItsProgramWithTheParametersTextExactly) {
    device.Write("Program Files/Tapweave/Player.exe", "");
    device.Write("Windows/pword.exe", "");
    device.Write("A.lnk", "48#\"\\Program Files\\Tapweave\\Player.exe\" \"New Macro\"");
    device.Write("Spaces.lnk", "51#  \"\\program files\\tapweave\\player.exe\"   \"a  b\"  x ");
    device.Write("Bare.lnk", "22#\\Windows\\pword.exe a b");
    device.Write("Alone.lnk", "18#\\Windows\\pword.exe");
    device.Write("About.lnk", "85#\"\\Program Files\\Tapweave\\Player.exe\" \"Macros - About\" "
                              "?\\windows\\Tapweave Setup.dll,0");
    for (LPCWSTR shortcut :
         {L"\\A.lnk", L"\\Spaces.lnk", L"\\Bare.lnk", L"\\alone.LNK", L"\\About.lnk"}) {
        EXPECT_EQ(Open(shortcut), static_cast<DWORD>(ERROR_SUCCESS)) << shortcut;
    }
    EXPECT_EQ(Open(L"\\Bare.lnk", L"more"), static_cast<DWORD>(ERROR_SUCCESS));
    const std::string player = Host("Program Files/Tapweave/Player.exe");
    const std::string pword = Host("Windows/pword.exe");
    ASSERT_EQ(launcher.starts.size(), 6u);
    const std::vector<std::pair<std::string, std::wstring>> expected = {
        {player, L"\"New Macro\""},      {player, L"\"a  b\"  x "}, {pword, L"a b"}, {pword, L""},
        {player, L"\"Macros - About\""}, {pword, L"a b more"}};
    for (std::size_t index = 0; index < expected.size(); ++index) {
        EXPECT_EQ(launcher.starts[index].hostProgram, expected[index].first) << index;
        EXPECT_EQ(launcher.starts[index].commandLine, expected[index].second) << index;
    }
}

TEST_F(ShellTest, RunningCopiesAreBroughtUpUnlessParametersWouldBeLost) {
    ProgramsDesktop desktop;
    device.Write("Program Files/Tapweave/Player.exe", "");
    device.Write("Windows/pword.exe", "");
    device.Write("notes.txt", "");
    device.Write("A.lnk", "48#\"\\Program Files\\Tapweave\\Player.exe\" \"New Macro\"");
    device.Write("Player.lnk", "36#\"\\Program Files\\Tapweave\\Player.exe\"");
    SetDefault(L".txt", L"txtfile");
    SetDefault(L"txtfile\\Shell\\Open\\Command", L"\\Windows\\pword.exe %1");
    const HWND player = desktop.AddWindow(5, 77, L"\\Program Files\\Tapweave\\Player.exe");
    const HWND pword = desktop.AddWindow(6, 78, L"\\Windows\\pword.exe");

    // A macro shortcut plays its macro while the library window of another player is open; a
    // document reaches its program.
    EXPECT_EQ(Open(L"\\A.lnk"), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(Open(L"\\notes.txt"), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(launcher.starts.size(), 2u);
    EXPECT_EQ(launcher.starts[0].commandLine, L"\"New Macro\"");
    EXPECT_EQ(launcher.starts[1].commandLine, L"\"\\notes.txt\"");
    EXPECT_TRUE(desktop.activated.empty());

    // A shortcut without parameters and a program named directly bring the window up.
    EXPECT_EQ(Open(L"\\Player.lnk"), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(Open(L"\\Windows\\pword.exe"), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(launcher.starts.size(), 2u);
    EXPECT_EQ(desktop.activated, (std::vector<HWND>{player, pword}));
}

TEST_F(ShellTest, ShortcutsThatLeadNowhere) {
    device.Write("Gone.lnk", "30#\"\\Program Files\\Gone\\gone.exe\"");
    device.Write("Loop.lnk", "9#\\Loop.lnk");
    device.Write("Bad.lnk", "99#\\Windows\\pword.exe");
    device.Write("Windows/pword.exe", "");
    for (LPCWSTR shortcut : {L"\\Gone.lnk", L"\\Loop.lnk", L"\\Bad.lnk", L"\\Missing.lnk"}) {
        EXPECT_EQ(Open(shortcut), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << shortcut;
    }
    EXPECT_TRUE(launcher.starts.empty());
}

TEST_F(ShellTest, DocumentOpensWithTheProgramRegisteredForItsExtension) {
    device.Write("Windows/pword.exe", "");
    device.Write("Program Files/Tapweave/Macros/New Macro.macros", "");
    SetDefault(L".macros", L"macrosfile");
    SetDefault(L"macrosfile\\Shell\\Open\\Command", L"\\Windows\\pword.exe %1");
    EXPECT_EQ(Open(L"\\Program Files\\Tapweave\\Macros\\New Macro.macros"),
              static_cast<DWORD>(ERROR_SUCCESS));
    // A program of the device gets the device path, kept whole by quotes.
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].hostProgram, Host("Windows/pword.exe"));
    EXPECT_EQ(launcher.starts[0].commandLine,
              L"\"\\Program Files\\Tapweave\\Macros\\New Macro.macros\"");

    // A host program gets the host path; "%1" in quotes is not quoted again.
    device.Write("notes.TXT", "");
    SetDefault(L".txt", L"txtfile");
    SetDefault(L"txtfile\\Shell\\Open\\Command", L"/bin/sh -c \"cat '%1'\"");
    EXPECT_EQ(Open(L"\\Notes.txt"), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(launcher.starts.size(), 2u);
    EXPECT_EQ(launcher.starts[1].hostProgram, "/bin/sh");
    EXPECT_EQ(launcher.starts[1].commandLine, L"-c \"cat '" + Wide(Host("notes.TXT")) + L"'\"");

    // A command without "%1" gets the document after its parameters.
    SetDefault(L"txtfile\\Shell\\Open\\Command", L"\"\\Windows\\pword.exe\" -r");
    EXPECT_EQ(Open(L"\\notes.txt"), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(launcher.starts.size(), 3u);
    EXPECT_EQ(launcher.starts[2].commandLine, L"-r \"\\notes.TXT\"");

    // An association whose program is missing opens nothing.
    SetDefault(L"txtfile\\Shell\\Open\\Command", L"\\Windows\\gone.exe %1");
    EXPECT_EQ(Open(L"\\notes.txt"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(launcher.starts.size(), 3u);
}

TEST_F(ShellTest, DocumentWithoutAssociationGoesToXdgOpen) {
    device.Write("My Documents/a b.macros", "");
    const std::string tools = device.Directory() + "/tools";
    std::filesystem::create_directories(tools);
    {
        // No xdg-open on the search path: nothing is started.
        ScopedEnvironment path("PATH", tools.c_str());
        SHELLEXECUTEINFO info = Info(L"\\My Documents\\a b.macros");
        EXPECT_FALSE(ShellExecuteEx(&info));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
        EXPECT_EQ(reinterpret_cast<std::intptr_t>(info.hInstApp), SE_ERR_NOASSOC);
        EXPECT_TRUE(launcher.starts.empty());
    }
    const std::string xdgOpen = tools + "/xdg-open";
    device.Write("../tools/xdg-open", "#!/bin/sh\n");
    std::filesystem::permissions(xdgOpen, std::filesystem::perms::owner_all);
    {
        // Nor from a relative entry, whose folder depends on the current one.
        ScopedEnvironment path("PATH", std::filesystem::relative(tools).c_str());
        EXPECT_EQ(Open(L"\\My Documents\\a b.macros"), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
    }
    ScopedEnvironment path("PATH", ("/nowhere:" + tools).c_str());
    EXPECT_EQ(Open(L"\\My Documents\\A B.MACROS"), static_cast<DWORD>(ERROR_SUCCESS));
    // A host document outside the device goes the same way.
    device.Write("../tools/read me.txt", "");
    const std::wstring readMe = Wide(tools + "/read me.txt");
    EXPECT_EQ(Open(readMe.c_str(), L"ignored"), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(launcher.starts.size(), 2u);
    EXPECT_EQ(launcher.starts[0].hostProgram, xdgOpen);
    EXPECT_EQ(launcher.starts[0].commandLine,
              L"\"" + Wide(Host("My Documents/a b.macros")) + L"\"");
    EXPECT_EQ(launcher.starts[1].hostProgram, xdgOpen);
    EXPECT_EQ(launcher.starts[1].commandLine, L"\"" + readMe + L"\"");
}

} // namespace
