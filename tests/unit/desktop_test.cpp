// The front window, processes and the shell without a display: command-line splitting,
// ShellExecuteEx against a launcher that only records, process handles and module names, and
// the hand-over of the device's own windows to the window layer.
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "platform/DeviceWindows.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/windows.h"

namespace {

// The real desktop is chosen once per process, on first use: these tests run without one.
const bool noDisplay = [] {
    unsetenv("DISPLAY");
    return true;
}();

using Arguments = std::vector<std::wstring>;

class RecordingLauncher : public platform::Launcher {
  public:
    DWORD Start(const std::string& hostProgram, const std::wstring& commandLine) override {
        starts.push_back({hostProgram, commandLine});
        return processId;
    }

    struct Call {
        std::string hostProgram;
        std::wstring commandLine;
    };
    std::vector<Call> starts;
    DWORD processId = 4242;
};

// One window of one program, which tests move to and from the front.
class OneWindowDesktop : public platform::Desktop {
  public:
    HWND Foreground() override { return front; }
    HWND Find(const std::wstring*, const std::wstring*) override { return window; }
    bool Activate(HWND hwnd) override {
        front = hwnd;
        return true;
    }
    bool Show(HWND, int) override { return true; }
    DWORD ProcessOf(HWND hwnd) override { return hwnd == window ? processId : 0; }
    std::optional<std::wstring> ProgramOf(DWORD id) override {
        return id == processId ? std::optional<std::wstring>(program) : std::nullopt;
    }
    LRESULT Send(HWND, UINT, WPARAM, LPARAM) override { return 0; }
    HWND WindowOfProgram(const std::wstring& asked) override {
        askedFor.push_back(asked);
        return asked == program ? window : nullptr;
    }

    HWND window = reinterpret_cast<HWND>(0x10);
    HWND front = nullptr;
    DWORD processId = 777;
    std::wstring program = L"\\Program Files\\Tapweave\\Player.exe";
    std::vector<std::wstring> askedFor;
};

class DeviceWindowLayer : public platform::DeviceWindows {
  public:
    HWND Find(const std::wstring* className, const std::wstring*) override {
        return className && *className == L"Tapweave Recorder" ? window : nullptr;
    }
    bool Activate(HWND hwnd) override {
        activated.push_back(hwnd);
        return hwnd == window;
    }
    bool Show(HWND hwnd, int) override { return hwnd == window; }
    DWORD ProcessOf(HWND hwnd) override { return hwnd == window ? 99 : 0; }
    LRESULT Send(HWND hwnd, UINT message, WPARAM, LPARAM) override {
        return hwnd == window && message == WM_ACTIVATE ? 7 : 0;
    }

    HWND window = reinterpret_cast<HWND>(0x20);
    std::vector<HWND> activated;
};

SHELLEXECUTEINFO Info(LPCWSTR file, LPCWSTR parameters = nullptr,
                      DWORD mask = SEE_MASK_NOCLOSEPROCESS) {
    SHELLEXECUTEINFO info{};
    info.cbSize = 60;
    info.fMask = mask;
    info.lpVerb = L"open";
    info.lpFile = file;
    info.lpParameters = parameters;
    return info;
}

std::intptr_t InstanceCode(const SHELLEXECUTEINFO& info) {
    return reinterpret_cast<std::intptr_t>(info.hInstApp);
}

std::wstring ModuleName(HANDLE module, DWORD size = MAX_PATH) {
    std::vector<wchar_t> buffer(size + 1, L'#');
    const DWORD length = GetModuleFileNameW(module, buffer.data(), size);
    EXPECT_EQ(buffer[length], L'\0');
    return std::wstring(buffer.data(), length);
}

std::wstring OwnExecutable() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::wstring(path, path + length) : std::wstring();
}

TEST(DesktopCommandLine, WhiteSpaceSeparatesAndQuotesGroup) {
    EXPECT_EQ(platform::SplitCommandLine(L"\"New Macro\""), Arguments{L"New Macro"});
    EXPECT_EQ(platform::SplitCommandLine(L"  one\t two \n three  "),
              (Arguments{L"one", L"two", L"three"}));
    EXPECT_EQ(platform::SplitCommandLine(L"a\"b c\"d e"), (Arguments{L"ab cd", L"e"}));
    EXPECT_EQ(platform::SplitCommandLine(L"\\Program Files\\x \"\\My Documents\\y z\""),
              (Arguments{L"\\Program", L"Files\\x", L"\\My Documents\\y z"}));
}

TEST(DesktopCommandLine, EmptyAndUnbalancedText) {
    EXPECT_TRUE(platform::SplitCommandLine(L"").empty());
    EXPECT_TRUE(platform::SplitCommandLine(L" \t ").empty());
    EXPECT_EQ(platform::SplitCommandLine(L"\"\" x"), (Arguments{L"", L"x"}));
    EXPECT_EQ(platform::SplitCommandLine(L"a \"open to the end  "),
              (Arguments{L"a", L"open to the end  "}));
}

class DesktopShellTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::Launcher::Set(&launcher); }
    void TearDown() override {
        platform::Launcher::Set(nullptr);
        platform::Desktop::Set(nullptr);
    }

    TempDevice device;
    RecordingLauncher launcher;
};

TEST_F(DesktopShellTest, DeviceProgramStartsFromItsFileBelowTheDevice) {
    device.Write("Program Files/Tapweave/Player.exe", "#!/bin/sh\n");
    SHELLEXECUTEINFO info = Info(L"\\program files\\TAPWEAVE\\Player.exe", L"\"New Macro\"");
    ASSERT_TRUE(ShellExecuteEx(&info));
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].hostProgram, device.Host("Program Files/Tapweave/Player.exe"));
    EXPECT_EQ(launcher.starts[0].commandLine, L"\"New Macro\"");
    EXPECT_GT(InstanceCode(info), 32);
    EXPECT_TRUE(CloseHandle(info.hProcess));
}

TEST_F(DesktopShellTest, HostProgramStartsWithEmptyCommandLine) {
    SHELLEXECUTEINFO info = Info(L"/bin/sh", nullptr, 0);
    info.lpVerb = L"Open";
    ASSERT_TRUE(ShellExecuteEx(&info));
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].hostProgram, "/bin/sh");
    EXPECT_EQ(launcher.starts[0].commandLine, L"");
    EXPECT_EQ(info.hProcess, nullptr);
}

TEST_F(DesktopShellTest, WhatNamesNoProgramFailsWithoutStarting) {
    // Files that are there but are no programs are documents, which the shell opens (its tests).
    const std::vector<std::wstring> files = {L"\\Program Files\\Nothing.exe", L"/no/such/program",
                                             L"today", L"/bin"};
    for (const std::wstring& file : files) {
        SHELLEXECUTEINFO info = Info(file.c_str());
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(ShellExecuteEx(&info)) << file;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << file;
        EXPECT_LE(InstanceCode(info), 32) << file;
        EXPECT_EQ(info.hProcess, nullptr) << file;
    }
    EXPECT_TRUE(launcher.starts.empty());
}

TEST_F(DesktopShellTest, MissingFileUnknownVerbAndFailedStartAreRefused) {
    SHELLEXECUTEINFO noFile = Info(nullptr);
    EXPECT_FALSE(ShellExecuteEx(&noFile));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SHELLEXECUTEINFO emptyFile = Info(L"");
    EXPECT_FALSE(ShellExecuteEx(&emptyFile));

    SHELLEXECUTEINFO print = Info(L"/bin/sh");
    print.lpVerb = L"print";
    EXPECT_FALSE(ShellExecuteEx(&print));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(launcher.starts.empty());

    launcher.processId = 0;
    SHELLEXECUTEINFO failing = Info(L"/bin/sh");
    EXPECT_FALSE(ShellExecuteEx(&failing));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(failing.hProcess, nullptr);

    EXPECT_FALSE(ShellExecuteEx(nullptr));
}

TEST_F(DesktopShellTest, ProcessHandleClosesOnce) {
    SHELLEXECUTEINFO info = Info(L"/bin/sh");
    ASSERT_TRUE(ShellExecuteEx(&info));
    ASSERT_NE(info.hProcess, nullptr);
    EXPECT_TRUE(CloseHandle(info.hProcess));
    EXPECT_FALSE(CloseHandle(info.hProcess));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(DesktopShellTest, ProgramWithAWindowIsBroughtUpInsteadOfStartedAgain) {
    OneWindowDesktop desktop;
    platform::Desktop::Set(&desktop);
    device.Write("Program Files/Tapweave/Player.exe", "");
    SHELLEXECUTEINFO info = Info(L"/Program Files/tapweave/player.EXE");
    ASSERT_TRUE(ShellExecuteEx(&info));
    // The desktop is asked under the program's own device path, whatever case lpFile used.
    EXPECT_EQ(desktop.askedFor, std::vector<std::wstring>{desktop.program});
    EXPECT_TRUE(launcher.starts.empty());
    EXPECT_EQ(desktop.front, desktop.window);
    EXPECT_EQ(ModuleName(info.hProcess), desktop.program);
    EXPECT_TRUE(CloseHandle(info.hProcess));

    SHELLEXECUTEINFO other = Info(L"/bin/sh");
    ASSERT_TRUE(ShellExecuteEx(&other));
    EXPECT_EQ(launcher.starts.size(), 1u);
    CloseHandle(other.hProcess);
}

TEST(DesktopModuleName, CutToTheBufferWithItsTerminator) {
    OneWindowDesktop desktop;
    platform::Desktop::Set(&desktop);
    DWORD processId = 0;
    EXPECT_EQ(GetWindowThreadProcessId(desktop.window, &processId), desktop.processId);
    EXPECT_EQ(processId, desktop.processId);
    HANDLE process = OpenProcess(0, FALSE, processId);
    ASSERT_NE(process, nullptr);

    const std::wstring& path = desktop.program;
    EXPECT_EQ(ModuleName(process), path);
    EXPECT_EQ(ModuleName(process, static_cast<DWORD>(path.size() + 1)), path);
    EXPECT_EQ(ModuleName(process, static_cast<DWORD>(path.size())),
              path.substr(0, path.size() - 1));
    EXPECT_EQ(ModuleName(process, 8), path.substr(0, 7));
    EXPECT_EQ(ModuleName(process, 1), L"");
    wchar_t untouched = L'#';
    EXPECT_EQ(GetModuleFileNameW(process, &untouched, 0), 0u);
    EXPECT_EQ(untouched, L'#');
    EXPECT_TRUE(CloseHandle(process));

    wchar_t buffer[MAX_PATH];
    EXPECT_EQ(GetModuleFileNameW(process, buffer, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(OpenProcess(0, FALSE, desktop.processId + 1), nullptr);
    EXPECT_EQ(OpenProcess(0, FALSE, 0), nullptr);
    platform::Desktop::Set(nullptr);
}

TEST(DesktopModuleName, OwnProgramIsTheDevicePathItWasStartedUnder) {
    TempDevice device;
    const std::wstring executable = OwnExecutable();
    ASSERT_FALSE(executable.empty());
    EXPECT_EQ(ModuleName(nullptr), executable);

    std::filesystem::create_directories(device.Host("Program Files/Tapweave"));
    std::filesystem::create_symlink("/proc/self/exe", device.Host("Program Files/Tapweave/Me.exe"));
    {
        ScopedEnvironment image("TAPWEAVE_IMAGE", "\\Program Files\\Tapweave\\Me.exe");
        EXPECT_EQ(ModuleName(nullptr), L"\\Program Files\\Tapweave\\Me.exe");
    }
    // An image inherited from the program that started this one names another file.
    device.Write("Program Files/Tapweave/Other.exe", "");
    ScopedEnvironment inherited("TAPWEAVE_IMAGE", "\\Program Files\\Tapweave\\Other.exe");
    EXPECT_EQ(ModuleName(nullptr), executable);
}

TEST(DesktopProcesses, RealProcessesAndTheShell) {
    TempDevice device;
    platform::Desktop& desktop = platform::Desktop::Current();
    EXPECT_EQ(desktop.ProgramOf(static_cast<DWORD>(getpid())), OwnExecutable());
    EXPECT_EQ(desktop.ProgramOf(platform::Desktop::shellProcessId), L"\\Windows\\shell32.exe");
    EXPECT_EQ(desktop.ProgramOf(0), std::nullopt);

    HANDLE shell = OpenProcess(0, FALSE, platform::Desktop::shellProcessId);
    ASSERT_NE(shell, nullptr);
    EXPECT_EQ(ModuleName(shell), L"\\Windows\\shell32.exe");
    CloseHandle(shell);
}

TEST(DesktopNoDisplay, NothingIsInFrontAndEverythingFailsCleanly) {
    // A device of its own: the user's may have windows of programs that run.
    TempDevice device;
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_EQ(FindWindowW(L"DesktopExplorerWindow", L"Desktop"), nullptr);
    EXPECT_EQ(FindWindowW(nullptr, nullptr), nullptr);
    const HWND xWindow = reinterpret_cast<HWND>((std::uintptr_t{1} << 40) | 0x200001);
    EXPECT_FALSE(SetForegroundWindow(xWindow));
    EXPECT_FALSE(SetForegroundWindow(nullptr));
    EXPECT_FALSE(ShowWindow(xWindow, SW_SHOW));
    EXPECT_EQ(SendMessageW(xWindow, WM_ACTIVATE, WA_ACTIVE, 0), 0);
    DWORD processId = 123;
    EXPECT_EQ(GetWindowThreadProcessId(xWindow, &processId), 0u);
    EXPECT_EQ(processId, 0u);
    EXPECT_EQ(GetWindowThreadProcessId(nullptr, nullptr), 0u);
}

TEST(DesktopNoDisplay, DeviceWindowsAnswerForTheirOwnHandlesOnly) {
    DeviceWindowLayer layer;
    platform::DeviceWindows::Set(&layer);
    EXPECT_EQ(FindWindowW(L"Tapweave Recorder", nullptr), layer.window);
    EXPECT_EQ(FindWindowW(L"Other", nullptr), nullptr);
    EXPECT_TRUE(SetForegroundWindow(layer.window));
    EXPECT_TRUE(ShowWindow(layer.window, SW_HIDE));
    EXPECT_EQ(SendMessageW(layer.window, WM_ACTIVATE, WA_ACTIVE, 0), 7);
    DWORD processId = 0;
    GetWindowThreadProcessId(layer.window, &processId);
    EXPECT_EQ(processId, 99u);

    // A handle of the X display never reaches the window layer, even without a display.
    const HWND xWindow = reinterpret_cast<HWND>((std::uintptr_t{1} << 40) | 0x20);
    EXPECT_FALSE(SetForegroundWindow(xWindow));
    EXPECT_EQ(SendMessageW(xWindow, WM_ACTIVATE, WA_ACTIVE, 0), 0);
    EXPECT_EQ(layer.activated, std::vector<HWND>{layer.window});
    platform::DeviceWindows::Set(nullptr);
}

} // namespace
