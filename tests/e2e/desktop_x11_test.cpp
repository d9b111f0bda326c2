// The front window, processes and the shell on a private Xvfb with real processes: the bare
// desktop is the Today screen, a client window in front is found and owned by its program,
// and ShellExecuteEx starts host and device programs (or brings up one that runs).
//
// This binary doubles as its own child programs, chosen before the tests start:
// TAPWEAVE_TEST_CLIENT=window|pidless|desktop|dock maps one window of that kind (pidless: a
// plain window without _NET_WM_PID, as xcalc's), says "ready" on its standard output and lives
// until its standard input closes; started by the shell with the
// command line "tapweave-desktop-report FILE" it writes its own module name into FILE.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

#include "ChildProcess.h"
#include "FileContent.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "XvfbServer.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/windows.h"

namespace {

using namespace std::chrono_literals;

const char* const reportCommand = "tapweave-desktop-report ";

void SetProperty(::Display* display, Window window, const char* name, Atom type, int format,
                 const void* data, int count) {
    XChangeProperty(display, window, XInternAtom(display, name, False), type, format,
                    PropModeReplace, static_cast<const unsigned char*>(data), count);
}

// A window of the given kind, mapped; a plain window also takes the input focus.
int RunClient(const std::string& kind) {
    alarm(60);
    ::Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return 1;
    }
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, 200, 100, 0, 0, 0);
    const bool plain = kind == "window" || kind == "pidless";
    if (kind != "pidless") {
        const long pid = getpid();
        SetProperty(display, window, "_NET_WM_PID", XA_CARDINAL, 32, &pid, 1);
    }
    if (plain) {
        XClassHint hint{const_cast<char*>("tapweave-client"), const_cast<char*>("TapweaveClient")};
        XSetClassHint(display, window, &hint);
        XStoreName(display, window, "Client Window");
    } else {
        const Atom type = XInternAtom(
            display, kind == "desktop" ? "_NET_WM_WINDOW_TYPE_DESKTOP" : "_NET_WM_WINDOW_TYPE_DOCK",
            False);
        SetProperty(display, window, "_NET_WM_WINDOW_TYPE", XA_ATOM, 32, &type, 1);
        const std::string title = kind == "desktop" ? "Desktop" : "Panel";
        SetProperty(display, window, "_NET_WM_NAME", XInternAtom(display, "UTF8_STRING", False), 8,
                    title.data(), static_cast<int>(title.size()));
    }
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    for (XEvent event; XNextEvent(display, &event), event.type != MapNotify;) {
    }
    if (plain) {
        XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    }
    XSync(display, False);
    if (write(STDOUT_FILENO, "ready\n", 6) != 6) {
        return 1;
    }
    char ignored;
    while (read(STDIN_FILENO, &ignored, 1) > 0) {
    }
    XCloseDisplay(display);
    return 0;
}

int Report(const std::string& file) {
    wchar_t name[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, name, MAX_PATH);
    char bytes[4 * MAX_PATH] = {};
    wcstombs(bytes, name, sizeof bytes - 1);
    std::ofstream(file) << bytes;
    return 0;
}

[[maybe_unused]] const bool childRole = [] {
    if (const char* kind = std::getenv("TAPWEAVE_TEST_CLIENT")) {
        _exit(RunClient(kind));
    }
    if (const char* file = std::getenv("TAPWEAVE_TEST_REPORT")) {
        _exit(Report(file));
    }
    if (const char* line = std::getenv("TAPWEAVE_COMMAND_LINE");
        line && std::strncmp(line, reportCommand, std::strlen(reportCommand)) == 0) {
        _exit(Report(line + std::strlen(reportCommand)));
    }
    return false;
}();

std::string RealPath(const std::string& path) {
    char real[PATH_MAX];
    return realpath(path.c_str(), real) ? real : "";
}

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(mbstowcs(wide.data(), text.c_str(), wide.size()));
    return wide;
}

std::wstring ModuleName(HANDLE module) {
    wchar_t name[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, name, MAX_PATH);
    return std::wstring(name, length);
}

std::wstring ProgramOfWindow(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(0, FALSE, processId);
    if (!process) {
        return L"";
    }
    std::wstring name = ModuleName(process);
    CloseHandle(process);
    return name;
}

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// Whether the process is a running child of this one (not yet ended, not some later process
// that was given the same identifier).
bool IsOwnLiveChild(const std::string& pid) {
    const std::string stat = FileContent("/proc/" + pid + "/stat");
    const std::size_t end = stat.rfind(')');
    std::istringstream fields(end == std::string::npos ? "" : stat.substr(end + 1));
    std::string state;
    pid_t parent = 0;
    return fields >> state >> parent && parent == getpid() && state != "Z";
}

// The child of this process that runs the executable, as the shell started it.
std::optional<pid_t> ChildRunning(const std::string& executable) {
    std::optional<pid_t> found;
    DIR* proc = opendir("/proc");
    while (dirent* entry = proc ? readdir(proc) : nullptr) {
        const std::string name = entry->d_name;
        // The executable is in place before the new program's arguments are: wait for both.
        if (name.find_first_not_of("0123456789") == std::string::npos && IsOwnLiveChild(name) &&
            RealPath("/proc/" + name + "/exe") == executable &&
            !FileContent("/proc/" + name + "/cmdline").empty()) {
            found = static_cast<pid_t>(std::stoi(name));
        }
    }
    if (proc) {
        closedir(proc);
    }
    return found;
}

std::vector<std::string> NulSeparated(const std::string& path) {
    std::vector<std::string> items;
    std::istringstream in(FileContent(path));
    for (std::string item; std::getline(in, item, '\0');) {
        items.push_back(item);
    }
    return items;
}

// This binary in the role of an X client, killed when the object goes (and ending by itself
// after a minute, should this process die first).
ChildProcess StartClient(const std::string& kind) {
    return ChildProcess({"/proc/self/exe"}, {.environment = {{"TAPWEAVE_TEST_CLIENT", kind}},
                                             .output = ChildProcess::Stream::Capture,
                                             .input = true,
                                             .name = "client"});
}

SHELLEXECUTEINFO Info(LPCWSTR file, LPCWSTR parameters) {
    SHELLEXECUTEINFO info{};
    info.cbSize = 60;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"open";
    info.lpFile = file;
    info.lpParameters = parameters;
    return info;
}

class DesktopX11Test : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!XvfbServer::Installed()) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        // One server for the whole program: the desktop connects once per process.
        static XvfbServer server(640, 480);
        ASSERT_TRUE(server.Running()) << server.Error();
        display.emplace("DISPLAY", server.Name().c_str());
        // The server resets when its last client leaves, and refuses connections meanwhile;
        // a connection held from here on keeps it from resetting under the test.
        static ::Display* held = nullptr;
        WaitUntil([&] { return (held = held ? held : XOpenDisplay(nullptr)) != nullptr; });
        ASSERT_NE(held, nullptr);
        device.emplace();
    }

    void TearDown() override {
        for (pid_t pid : started) {
            if (IsOwnLiveChild(std::to_string(pid))) {
                kill(pid, SIGKILL);
            }
        }
        device.reset();
        display.reset();
    }

    // A process the shell started, ended by TearDown whatever happens.
    pid_t Started(const std::string& executable) {
        std::optional<pid_t> pid;
        WaitUntil([&] { return (pid = ChildRunning(executable)).has_value(); });
        if (pid) {
            started.push_back(*pid);
        }
        return pid.value_or(-1);
    }

    std::optional<ScopedEnvironment> display;
    std::optional<TempDevice> device;
    std::vector<pid_t> started;
};

TEST_F(DesktopX11Test, BareDesktopIsTheTodayScreenOfTheShell) {
    const HWND front = GetForegroundWindow();
    ASSERT_NE(front, nullptr);
    EXPECT_EQ(FindWindowW(L"DesktopExplorerWindow", L"Desktop"), front);
    EXPECT_EQ(ProgramOfWindow(front), L"\\Windows\\shell32.exe");
    EXPECT_EQ(FindWindowW(L"NoSuchClass", nullptr), nullptr);
    EXPECT_EQ(SendMessageW(front, WM_ACTIVATE, WA_ACTIVE, 0), 0);
    EXPECT_TRUE(SetForegroundWindow(front));
    EXPECT_EQ(GetForegroundWindow(), front);
}

TEST_F(DesktopX11Test, DesktopAndDockWindowsBelongToTheShell) {
    ChildProcess desktop = StartClient("desktop");
    ChildProcess dock = StartClient("dock");
    ASSERT_TRUE(desktop.WaitForLine("ready"));
    ASSERT_TRUE(dock.WaitForLine("ready"));
    const HWND today = FindWindowW(L"DesktopExplorerWindow", L"Desktop");
    ASSERT_NE(today, nullptr);
    EXPECT_EQ(GetForegroundWindow(), today);
    EXPECT_EQ(FindWindowW(nullptr, L"Desktop"), today);
    EXPECT_EQ(ProgramOfWindow(today), L"\\Windows\\shell32.exe");
    const HWND panel = FindWindowW(nullptr, L"Panel");
    ASSERT_NE(panel, nullptr);
    EXPECT_NE(panel, today);
    EXPECT_EQ(ProgramOfWindow(panel), L"\\Windows\\shell32.exe");
}

TEST_F(DesktopX11Test, ClientWindowInFrontBelongsToItsProgram) {
    ChildProcess client = StartClient("window");
    ASSERT_TRUE(client.WaitForLine("ready"));
    const HWND front = GetForegroundWindow();
    const HWND today = FindWindowW(L"DesktopExplorerWindow", L"Desktop");
    ASSERT_NE(front, nullptr);
    EXPECT_NE(front, today);
    EXPECT_EQ(FindWindowW(L"TapweaveClient", L"Client Window"), front);
    EXPECT_EQ(FindWindowW(L"tapweave-client", nullptr), front);
    EXPECT_EQ(FindWindowW(nullptr, L"Client Window"), front);
    EXPECT_EQ(FindWindowW(L"TapweaveClient", L"Other Title"), nullptr);

    DWORD processId = 0;
    EXPECT_EQ(GetWindowThreadProcessId(front, &processId), static_cast<DWORD>(client.Pid()));
    EXPECT_EQ(processId, static_cast<DWORD>(client.Pid()));
    EXPECT_EQ(ProgramOfWindow(front), Wide(RealPath("/proc/self/exe")));
    EXPECT_EQ(SendMessageW(front, WM_ACTIVATE, WA_ACTIVE, 0), 0);

    EXPECT_TRUE(SetForegroundWindow(today));
    EXPECT_EQ(GetForegroundWindow(), today);
    EXPECT_TRUE(SetForegroundWindow(front));
    EXPECT_EQ(GetForegroundWindow(), front);

    EXPECT_TRUE(ShowWindow(front, SW_HIDE));
    EXPECT_EQ(GetForegroundWindow(), today);
    EXPECT_FALSE(ShowWindow(front, SW_SHOW));
    EXPECT_TRUE(ShowWindow(front, SW_SHOW));
}

// The server tells the process of a client whose window does not name it.
TEST_F(DesktopX11Test, WindowWithoutItsProcessIdentifierStillBelongsToItsProgram) {
    ChildProcess client = StartClient("pidless");
    ASSERT_TRUE(client.WaitForLine("ready"));
    const HWND front = GetForegroundWindow();
    ASSERT_EQ(FindWindowW(L"TapweaveClient", L"Client Window"), front);
    DWORD processId = 0;
    EXPECT_EQ(GetWindowThreadProcessId(front, &processId), static_cast<DWORD>(client.Pid()));
    EXPECT_EQ(ProgramOfWindow(front), Wide(RealPath("/proc/self/exe")));
}

TEST_F(DesktopX11Test, RunningProgramIsBroughtUpInsteadOfStartedTwice) {
    const std::string self = RealPath("/proc/self/exe");
    const std::string marker = device->Directory() + "/started";
    const std::wstring parameters = Wide(reportCommand + marker);
    {
        ChildProcess client = StartClient("window");
        ASSERT_TRUE(client.WaitForLine("ready"));
        const HWND window = GetForegroundWindow();
        SetForegroundWindow(FindWindowW(L"DesktopExplorerWindow", L"Desktop"));
        const std::wstring file = Wide(self);
        // Named without parameters, as a start step names it. A copy started by mistake would
        // report itself through the environment it inherits.
        setenv("TAPWEAVE_TEST_REPORT", marker.c_str(), 1);
        SHELLEXECUTEINFO info = Info(file.c_str(), nullptr);
        const BOOL executed = ShellExecuteEx(&info);
        unsetenv("TAPWEAVE_TEST_REPORT");
        ASSERT_TRUE(executed);
        EXPECT_EQ(GetForegroundWindow(), window);
        EXPECT_EQ(ModuleName(info.hProcess), file);
        EXPECT_TRUE(CloseHandle(info.hProcess));
        std::this_thread::sleep_for(300ms);
        EXPECT_FALSE(Exists(marker));
    }
    // Once its window has gone, the program starts anew, with the exact command-line text.
    // (Parameters always start the program: a shortcut to a macro must play it even while
    // the player shows its library window.)
    const std::wstring file = Wide(self);
    SHELLEXECUTEINFO info = Info(file.c_str(), parameters.c_str());
    ASSERT_TRUE(ShellExecuteEx(&info));
    EXPECT_TRUE(CloseHandle(info.hProcess));
    EXPECT_TRUE(WaitUntil([&] { return !FileContent(marker).empty(); }));
    EXPECT_EQ(FileContent(marker), self);
}

TEST_F(DesktopX11Test, HostProgramRunsAndOutlivesItsHandle) {
    const std::string sleep = RealPath("/bin/sleep");
    SHELLEXECUTEINFO info = Info(L"/bin/sleep", L"5");
    ASSERT_TRUE(ShellExecuteEx(&info));
    EXPECT_GT(reinterpret_cast<std::intptr_t>(info.hInstApp), 32);
    const pid_t pid = Started(sleep);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(NulSeparated("/proc/" + std::to_string(pid) + "/cmdline"),
              (std::vector<std::string>{"/bin/sleep", "5"}));
    EXPECT_EQ(ModuleName(info.hProcess), Wide(sleep));
    EXPECT_TRUE(CloseHandle(info.hProcess));
    EXPECT_EQ(kill(pid, 0), 0);

    kill(pid, SIGKILL);
    // The shell waits for what it starts: no zombie stays behind.
    EXPECT_TRUE(WaitUntil([&] { return !Exists("/proc/" + std::to_string(pid)); }));
}

TEST_F(DesktopX11Test, DeviceProgramKeepsItsDevicePathThroughALink) {
    const std::string sleep = RealPath("/bin/sleep");
    std::filesystem::create_directories(device->Host("Program Files/Tapweave"));
    std::filesystem::create_symlink(sleep, device->Host("Program Files/Tapweave/Tool.exe"));
    SHELLEXECUTEINFO info = Info(L"\\Program Files\\Tapweave\\Tool.exe", L"\"5\"");
    ASSERT_TRUE(ShellExecuteEx(&info));
    const pid_t pid = Started(sleep);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(ModuleName(info.hProcess), L"\\Program Files\\Tapweave\\Tool.exe");
    CloseHandle(info.hProcess);
    HANDLE reopened = OpenProcess(0, FALSE, static_cast<DWORD>(pid));
    EXPECT_EQ(ModuleName(reopened), L"\\Program Files\\Tapweave\\Tool.exe");
    CloseHandle(reopened);

    const std::string proc = "/proc/" + std::to_string(pid);
    EXPECT_EQ(NulSeparated(proc + "/cmdline"),
              (std::vector<std::string>{device->Host("Program Files/Tapweave/Tool.exe"), "5"}));
    const std::vector<std::string> environment = NulSeparated(proc + "/environ");
    auto has = [&](const std::string& variable) {
        return std::find(environment.begin(), environment.end(), variable) != environment.end();
    };
    EXPECT_TRUE(has("TAPWEAVE_IMAGE=\\Program Files\\Tapweave\\Tool.exe"));
    EXPECT_TRUE(has("TAPWEAVE_COMMAND_LINE=\"5\""));
    EXPECT_TRUE(has("TAPWEAVE_DEVICE=" + device->Directory()));

    const std::string record = device->Directory() + "/run/processes/" + std::to_string(pid);
    EXPECT_TRUE(Exists(record));
    kill(pid, SIGKILL);
    EXPECT_TRUE(WaitUntil([&] { return !Exists(proc) && !Exists(record); }));
}

TEST_F(DesktopX11Test, DeviceProgramKnowsItsOwnDevicePath) {
    std::filesystem::create_directories(device->Host("Program Files/Tapweave"));
    std::filesystem::create_symlink(RealPath("/proc/self/exe"),
                                    device->Host("Program Files/Tapweave/Probe.exe"));
    const std::string report = device->Directory() + "/report";
    const std::wstring parameters = Wide(reportCommand + report);
    SHELLEXECUTEINFO info = Info(L"\\Program Files\\Tapweave\\Probe.exe", parameters.c_str());
    ASSERT_TRUE(ShellExecuteEx(&info));
    CloseHandle(info.hProcess);
    EXPECT_TRUE(WaitUntil([&] { return !FileContent(report).empty(); }));
    EXPECT_EQ(FileContent(report), "\\Program Files\\Tapweave\\Probe.exe");
}

} // namespace
