// Windows of other processes on the device: a forked peer creates a window and runs its loop;
// this process finds it, sends and posts to it, shows, hides and activates it, and copes with a
// peer that hangs or dies. tapweave-device does the same from a shell.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "FixedDisplay.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "platform/files.h"
#include "platform/gui.h"

namespace {

using Clock = std::chrono::steady_clock;

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

pid_t StartPeer(Peer kind) {
    std::vector<std::string> environment;
    for (char** variable = environ; *variable; ++variable) {
        environment.emplace_back(*variable);
    }
    environment.push_back(std::string(peerVariable) + "=" +
                          (kind == Peer::Hung ? "hung" : "serving"));
    std::vector<char*> envp;
    for (std::string& variable : environment) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);
    char name[] = "peer";
    char* argv[] = {name, nullptr};
    const pid_t pid = fork();
    if (pid == 0) {
        execve("/proc/self/exe", argv, envp.data());
        _exit(127);
    }
    return pid;
}

HWND AwaitWindow(const wchar_t* className, const wchar_t* title) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        if (const HWND hwnd = FindWindowW(className, title)) {
            return hwnd;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return nullptr;
}

// The peer's exit code; -1 (after killing it) when it has not ended in time.
int AwaitExit(pid_t pid, int seconds = 10) {
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (Clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

template <class Condition> bool Eventually(Condition condition) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

struct ToolRun {
    int status;
    std::string out;
};

ToolRun Tool(const std::string& arguments) {
    const std::string command =
        "timeout 20 " TAPWEAVE_BIN_DIR "/tapweave-device " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    std::array<char, 512> buffer{};
    while (pipe && fgets(buffer.data(), buffer.size(), pipe)) {
        out += buffer.data();
    }
    const int status = pipe ? pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

class GuiProcesses : public ::testing::Test {
  protected:
    void SetUp() override { alarm(90); }
    void TearDown() override {
        if (peer > 0) {
            kill(peer, SIGKILL);
            waitpid(peer, nullptr, 0);
        }
        alarm(0);
    }

    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    ScopedEnvironment noDisplay{"DISPLAY", nullptr};
    TempDevice device;
    FixedDisplay display{240, 320};
    pid_t peer = -1;
};

TEST_F(GuiProcesses, APeerWindowIsFoundSentToShownAndClosed) {
    peer = StartPeer(Peer::Serving);
    const HWND hwnd = AwaitWindow(L"Peer Class", L"Peer");
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(FindWindowW(nullptr, L"Peer"), hwnd);
    EXPECT_EQ(FindWindowW(L"Peer Class", nullptr), hwnd);
    EXPECT_EQ(FindWindowW(L"peer class", L"Peer"), nullptr);

    DWORD processId = 0;
    GetWindowThreadProcessId(hwnd, &processId);
    EXPECT_EQ(processId, static_cast<DWORD>(peer));
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
    EXPECT_EQ(AwaitExit(peer), peerExitCode);
    peer = -1;
    EXPECT_EQ(FindWindowW(L"Peer Class", nullptr), nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(GuiProcesses, TheFrontWindowIsOneForTheWholeDevice) {
    peer = StartPeer(Peer::Serving);
    const HWND remote = AwaitWindow(L"Peer Class", L"Peer");
    ASSERT_NE(remote, nullptr);
    RegisterPeerClass(L"Local Class");
    const HWND local = CreateWindowExW(0, L"Local Class", L"Local", WS_POPUP | WS_VISIBLE, 0, 0, 10,
                                       10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(local, nullptr);

    ASSERT_TRUE(SetForegroundWindow(remote));
    EXPECT_EQ(GetForegroundWindow(), remote);
    EXPECT_TRUE(Eventually([&] { return SendMessageW(remote, WM_ACTIVATION, 0, 0) == WA_ACTIVE; }));

    // This process's window comes to the front at once; the peer's loses it by a posted
    // message.
    ASSERT_TRUE(SetForegroundWindow(local));
    EXPECT_EQ(lastActivation, WA_ACTIVE);
    EXPECT_EQ(GetForegroundWindow(), local);
    EXPECT_TRUE(
        Eventually([&] { return SendMessageW(remote, WM_ACTIVATION, 0, 0) == WA_INACTIVE; }));

    // The peer's window, hidden, is not in front even when asked to be.
    ShowWindow(remote, SW_HIDE);
    SetForegroundWindow(remote);
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    DestroyWindow(local);
}

TEST_F(GuiProcesses, AHungPeerCostsTheTimeoutAndNoMore) {
    peer = StartPeer(Peer::Hung);
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

TEST_F(GuiProcesses, AnEndedPeersWindowIsForgotten) {
    peer = StartPeer(Peer::Serving);
    const HWND hwnd = AwaitWindow(L"Peer Class", L"Peer");
    ASSERT_NE(hwnd, nullptr);
    SetForegroundWindow(hwnd);
    kill(peer, SIGKILL);
    waitpid(peer, nullptr, 0);
    peer = -1;
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
    peer = StartPeer(Peer::Serving);
    const HWND hwnd = AwaitWindow(L"Peer Class", L"Peer");
    ASSERT_NE(hwnd, nullptr);
    char line[128];
    std::snprintf(line, sizeof line, "0x%08lx\tPeer Class\tPeer\t%d\t1\t5,6,75,86\n",
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(hwnd)), peer);
    EXPECT_EQ(Tool("windows").out, line);

    ToolRun run = Tool("send 'Peer Class' '' 1025 40 2");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "42\n");
    EXPECT_EQ(Tool("send '' Peer WM_ACTIVATE 1 0").out, "0\n");
    EXPECT_EQ(Tool("send 'Peer Class' Peer 0x402 0 0").out, "1\n");
    EXPECT_EQ(Tool("send Nobody '' WM_NULL 0 0").status, 1);
    EXPECT_EQ(Tool("send 'Peer Class' Peer WM_BOGUS 0 0").status, 2);
    EXPECT_EQ(Tool("send 'Peer Class' Peer WM_HELP 0 12345").status, 1);

    EXPECT_EQ(Tool("hide 'Peer Class' Peer").status, 0);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(Tool("show '' ''").status, 0);
    EXPECT_TRUE(IsWindowVisible(hwnd));

    EXPECT_EQ(Tool("post '' Peer WM_CLOSE 0 0").status, 0);
    EXPECT_EQ(AwaitExit(peer), peerExitCode);
    peer = -1;
    EXPECT_EQ(Tool("windows").out, "");
}

} // namespace
