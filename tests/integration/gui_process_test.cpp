// Windows of other processes on the device: a forked peer creates a window and runs its loop;
// this process finds it, sends and posts to it, shows, hides and activates it, and copes with a
// peer that hangs or dies. tapweave-device does the same from a shell.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "DeviceTool.h"
#include "FixedDisplay.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "platform/files.h"
#include "platform/gui.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr UINT WM_ECHO = WM_USER + 1;       // answers wParam + lParam
constexpr UINT WM_ACTIVATION = WM_USER + 2; // answers the last WM_ACTIVATE state, -1 for none
constexpr int peerExitCode = 3;

std::atomic<int> lastActivation{-1};

LRESULT PeerProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ECHO:
        return static_cast<LRESULT>(wParam) + lParam;
    case WM_ACTIVATE:
        lastActivation = LOWORD(wParam);
        return 0;
    case WM_ACTIVATION:
        return lastActivation;
    case WM_DESTROY:
        PostQuitMessage(peerExitCode);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void RegisterPeerClass(const wchar_t* name) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = PeerProcedure;
    windowClass.lpszClassName = name;
    RegisterClassW(&windowClass);
}

enum class Peer { Serving, Hung };

constexpr const char* peerVariable = "TAPWEAVE_TEST_PEER";

// The peer: this test program started again with TAPWEAVE_TEST_PEER set. It makes the window
// "Peer Class" / "Peer" and serves its loop until the window is destroyed, or, hung, never
// looks at its queue. It dies on its own after 30 seconds.
[[noreturn]] void RunPeer(Peer kind) {
    alarm(30);
    RegisterPeerClass(L"Peer Class");
    const HWND hwnd = CreateWindowExW(0, L"Peer Class", L"Peer", WS_POPUP | WS_VISIBLE, 5, 6, 70,
                                      80, nullptr, nullptr, nullptr, nullptr);
    if (!hwnd) {
        _exit(10);
    }
    if (kind == Peer::Hung) {
        for (;;) {
            pause();
        }
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
    }
    _exit(static_cast<int>(msg.wParam));
}

// Runs before the tests when the program is started as a peer.
[[maybe_unused]] const bool peerStarted = [] {
    if (const char* kind = std::getenv(peerVariable)) {
        RunPeer(std::string(kind) == "hung" ? Peer::Hung : Peer::Serving);
    }
    return false;
}();

ChildProcess StartPeer(Peer kind) {
    return ChildProcess(
        {"/proc/self/exe"},
        {.environment = {{peerVariable, kind == Peer::Hung ? "hung" : "serving"}}, .name = "peer"});
}

HWND AwaitWindow(const wchar_t* className, const wchar_t* title) {
    HWND hwnd = nullptr;
    WaitUntil([&] { return (hwnd = FindWindowW(className, title)) != nullptr; }, 10s);
    return hwnd;
}

// Runs tapweave-device with the arguments; standard error is folded into the output.
ToolRun Tool(const std::vector<std::string>& arguments) {
    return DeviceTool(arguments, {.errorsToOutput = true});
}

class GuiProcesses : public ::testing::Test {
  protected:
    void SetUp() override { alarm(90); }
    void TearDown() override { alarm(0); }

    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    ScopedEnvironment noDisplay{"DISPLAY", nullptr};
    TempDevice device;
    FixedDisplay display{240, 320};
};

TEST_F(GuiProcesses, APeerWindowIsFoundSentToShownAndClosed) {
    ChildProcess peer = StartPeer(Peer::Serving);
    const HWND hwnd = AwaitWindow(L"Peer Class", L"Peer");
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(FindWindowW(nullptr, L"Peer"), hwnd);
    EXPECT_EQ(FindWindowW(L"Peer Class", nullptr), hwnd);
    EXPECT_EQ(FindWindowW(L"peer class", L"Peer"), nullptr);

    DWORD processId = 0;
    GetWindowThreadProcessId(hwnd, &processId);
    EXPECT_EQ(processId, static_cast<DWORD>(peer.Pid()));
    // The start step's way to the program in front: the peer runs this test program.
    const HANDLE process = OpenProcess(0, FALSE, processId);
    ASSERT_NE(process, nullptr);
    wchar_t program[MAX_PATH] = {};
    EXPECT_GT(GetModuleFileNameW(process, program, MAX_PATH), 0u);
    EXPECT_NE(std::wstring(program).find(L"integration_gui_process_test"), std::wstring::npos);
    CloseHandle(process);

    wchar_t text[16] = {};
    EXPECT_EQ(GetWindowTextW(hwnd, text, 16), 4);
    EXPECT_EQ(std::wstring(text), L"Peer");
    EXPECT_EQ(GetClassNameW(hwnd, text, 16), 10);
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(hwnd, &rect));
    EXPECT_EQ(rect.left, 5);
    EXPECT_EQ(rect.bottom, 86);
    ASSERT_TRUE(GetClientRect(hwnd, &rect));
    EXPECT_EQ(rect.right, 70);
    EXPECT_EQ(rect.bottom, 80);

    EXPECT_EQ(SendMessageW(hwnd, WM_ECHO, 40, 2), 42);
    // Pointers mean nothing in another process: such messages are refused, and the peer lives.
    wchar_t title[] = L"x";
    SetLastError(0);
    EXPECT_EQ(SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title)), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(PostMessageW(hwnd, WM_NOTIFY, 1, reinterpret_cast<LPARAM>(title)));
    EXPECT_FALSE(SetWindowTextW(hwnd, L"renamed"));
    EXPECT_EQ(SendMessageW(hwnd, WM_ECHO, 1, 1), 2);

    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_TRUE(ShowWindow(hwnd, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(hwnd));

    // WM_CLOSE destroys the window; its WM_DESTROY ends the peer's loop.
    EXPECT_TRUE(PostMessageW(hwnd, WM_CLOSE, 0, 0));
    EXPECT_EQ(peer.ExitCode(10s), peerExitCode);
    EXPECT_EQ(FindWindowW(L"Peer Class", nullptr), nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(GuiProcesses, TheFrontWindowIsOneForTheWholeDevice) {
    ChildProcess peer = StartPeer(Peer::Serving);
    const HWND remote = AwaitWindow(L"Peer Class", L"Peer");
    ASSERT_NE(remote, nullptr);
    RegisterPeerClass(L"Local Class");
    const HWND local = CreateWindowExW(0, L"Local Class", L"Local", WS_POPUP | WS_VISIBLE, 0, 0, 10,
                                       10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(local, nullptr);

    ASSERT_TRUE(SetForegroundWindow(remote));
    EXPECT_EQ(GetForegroundWindow(), remote);
    EXPECT_TRUE(
        WaitUntil([&] { return SendMessageW(remote, WM_ACTIVATION, 0, 0) == WA_ACTIVE; }, 10s));

    // This process's window comes to the front at once; the peer's loses it by a posted
    // message.
    ASSERT_TRUE(SetForegroundWindow(local));
    EXPECT_EQ(lastActivation, WA_ACTIVE);
    EXPECT_EQ(GetForegroundWindow(), local);
    EXPECT_TRUE(
        WaitUntil([&] { return SendMessageW(remote, WM_ACTIVATION, 0, 0) == WA_INACTIVE; }, 10s));

    // The peer's window, hidden, is not in front even when asked to be.
    ShowWindow(remote, SW_HIDE);
    SetForegroundWindow(remote);
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    DestroyWindow(local);
}

TEST_F(GuiProcesses, AHungPeerCostsTheTimeoutAndNoMore) {
    ChildProcess peer = StartPeer(Peer::Hung);
    const HWND hwnd = AwaitWindow(L"Peer Class", L"Peer");
    ASSERT_NE(hwnd, nullptr);
    const auto start = Clock::now();
    EXPECT_EQ(SendMessageW(hwnd, WM_ECHO, 40, 2), 0);
    const auto waited = Clock::now() - start;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_GE(waited, std::chrono::milliseconds(4500));
    EXPECT_LT(waited, std::chrono::seconds(15));
    // Showing and posting do not wait for the window's thread.
    EXPECT_TRUE(ShowWindow(hwnd, SW_HIDE));
    EXPECT_TRUE(PostMessageW(hwnd, WM_ECHO, 0, 0));
}

// A stopped peer accepts no connection: once its queue of waiting ones is full, a connect
// would wait for good, so it has the same deadline as the rest of the call.
TEST_F(GuiProcesses, AStoppedPeerWithAFullQueueCostsTheTimeoutAndNoMore) {
    ChildProcess peer = StartPeer(Peer::Serving);
    const HWND hwnd = AwaitWindow(L"Peer Class", L"Peer");
    ASSERT_NE(hwnd, nullptr);
    ASSERT_EQ(kill(peer.Pid(), SIGSTOP), 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath =
        device.Directory() + "/run/proc-" + std::to_string(peer.Pid()) + ".sock";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    std::vector<int> waiting;
    for (int i = 0; i < 1000; ++i) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            close(fd);
            break;
        }
        waiting.push_back(fd);
    }
    ASSERT_FALSE(waiting.empty());
    ASSERT_LT(waiting.size(), 1000u);

    SetLastError(0);
    EXPECT_EQ(SendMessageW(hwnd, WM_ECHO, 40, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_FALSE(ShowWindow(hwnd, SW_HIDE));
    for (const int fd : waiting) {
        close(fd);
    }
    kill(peer.Pid(), SIGCONT);
}

// Whatever else is put in the window directory is never waited on, followed or believed.
TEST_F(GuiProcesses, WhatIsNotAnEntryInTheRunDirectoryHoldsNobodyUp) {
    ChildProcess peer = StartPeer(Peer::Serving);
    const HWND hwnd = AwaitWindow(L"Peer Class", L"Peer");
    ASSERT_NE(hwnd, nullptr);
    const std::string run = device.Directory() + "/run";
    ASSERT_EQ(mkfifo((run + "/windows/0badf00d").c_str(), 0644), 0);
    std::filesystem::remove(run + "/foreground-window");
    ASSERT_EQ(mkfifo((run + "/foreground-window").c_str(), 0644), 0);
    // A link to a copy of the peer's entry kept outside the device.
    char name[16];
    std::snprintf(name, sizeof name, "%08lx",
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(hwnd)));
    const std::string outside = device.Directory() + ".outside-entry";
    std::filesystem::copy_file(run + "/windows/" + name, outside);
    std::filesystem::create_symlink(outside, run + "/windows/0badcafe");

    EXPECT_EQ(FindWindowW(nullptr, L"Peer"), hwnd);
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(0x0badcafe)));
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_EQ(SendMessageW(hwnd, WM_ECHO, 40, 2), 42);
    EXPECT_EQ(Tool({"windows"}).output.find("0x0badf00d"), std::string::npos);
    std::filesystem::remove(outside);
}

TEST_F(GuiProcesses, AnEndedPeersWindowIsForgotten) {
    ChildProcess peer = StartPeer(Peer::Serving);
    const HWND hwnd = AwaitWindow(L"Peer Class", L"Peer");
    ASSERT_NE(hwnd, nullptr);
    SetForegroundWindow(hwnd);
    peer.Kill();
    // Its entry is still in the directory, but belongs to a process that is gone.
    EXPECT_FALSE(std::filesystem::is_empty(device.Directory() + "/run/windows"));
    EXPECT_EQ(FindWindowW(L"Peer Class", L"Peer"), nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(SendMessageW(hwnd, WM_ECHO, 1, 1), 0);
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW));
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_TRUE(std::filesystem::is_empty(device.Directory() + "/run/windows"));
}

TEST_F(GuiProcesses, TheDeviceToolListsDrivesAndClosesWindows) {
    ChildProcess peer = StartPeer(Peer::Serving);
    const HWND hwnd = AwaitWindow(L"Peer Class", L"Peer");
    ASSERT_NE(hwnd, nullptr);
    char line[128];
    std::snprintf(line, sizeof line, "0x%08lx\tPeer Class\tPeer\t%d\t1\t5,6,75,86\n",
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(hwnd)), peer.Pid());
    EXPECT_EQ(Tool({"windows"}).output, line);

    ToolRun run = Tool({"send", "Peer Class", "", "1025", "40", "2"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, "42\n");
    EXPECT_EQ(Tool({"send", "", "Peer", "WM_ACTIVATE", "1", "0"}).output, "0\n");
    EXPECT_EQ(Tool({"send", "Peer Class", "Peer", "0x402", "0", "0"}).output, "1\n");
    EXPECT_EQ(Tool({"send", "Nobody", "", "WM_NULL", "0", "0"}).exitCode, 1);
    EXPECT_EQ(Tool({"send", "Peer Class", "Peer", "WM_BOGUS", "0", "0"}).exitCode, 2);
    EXPECT_EQ(Tool({"send", "Peer Class", "Peer", "WM_HELP", "0", "12345"}).exitCode, 1);

    EXPECT_EQ(Tool({"hide", "Peer Class", "Peer"}).exitCode, 0);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(Tool({"show", "", ""}).exitCode, 0);
    EXPECT_TRUE(IsWindowVisible(hwnd));

    EXPECT_EQ(Tool({"post", "", "Peer", "WM_CLOSE", "0", "0"}).exitCode, 0);
    EXPECT_EQ(peer.ExitCode(10s), peerExitCode);
    EXPECT_EQ(Tool({"windows"}).output, "");
}

} // namespace
