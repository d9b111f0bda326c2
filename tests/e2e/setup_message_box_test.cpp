// The message box that removal shows when the device must be restarted, on a display: a window
// of the device in front of the others, answered by its "ok" button; and the person's own
// window, in front when removal starts, which stays on the screen. The box is looked for and
// closed from another thread; if it never shows, the test ends the process rather than wait.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "ChildProcess.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "XvfbServer.h"
#include "platform/alerts.h"
#include "platform/gui.h"
#include "platform/windows.h"

namespace {

// Kept for the life of the program: the window layer stays connected to it until the end.
XvfbServer& Server() {
    static XvfbServer server(240, 320);
    return server;
}

TEST(MessageBoxOnDisplay, ShowsInFrontAndAnswersOkWhenItsButtonIsPressed) {
    if (!XvfbServer::Installed()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    XvfbServer& server = Server();
    ASSERT_TRUE(server.Running()) << server.Error();
    ScopedEnvironment display("DISPLAY", server.Name().c_str());
    ScopedEnvironment gui("TAPWEAVE_GUI", "qt");
    TempDevice device;

    std::atomic<bool> shown{false};
    std::atomic<bool> inFront{false};
    std::thread person([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            if (HWND box = FindWindowW(nullptr, L"Tapweave"); box && IsWindowVisible(box)) {
                shown = true;
                inFront = GetForegroundWindow() == box;
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::fprintf(stderr, "the message box never showed\n");
        std::abort();
    });

    const int answer = MessageBoxW(nullptr, L"Soft reset is required.", L"Tapweave",
                                   MB_OK | MB_SETFOREGROUND | MB_TOPMOST);
    person.join();
    EXPECT_EQ(answer, IDOK);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(inFront);
}

// A window of a program of the desktop, as a terminal's is: mapped, with the input focus, and
// owned (_NET_WM_PID) by a host process.
class DesktopWindow {
  public:
    DesktopWindow(const std::string& displayName, pid_t owner)
        : display(XOpenDisplay(displayName.c_str())) {
        if (!display) {
            return;
        }
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, 200, 100, 0, 0,
                                     0xFFFFFF);
        const long pid = owner;
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL,
                        32, PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
        XMapRaised(display, window);
        XSync(display, False);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        XSync(display, False);
    }
    ~DesktopWindow() {
        if (display) {
            XCloseDisplay(display);
        }
    }
    DesktopWindow(const DesktopWindow&) = delete;
    DesktopWindow& operator=(const DesktopWindow&) = delete;

    bool Mapped() const {
        XWindowAttributes attributes{};
        return display && XGetWindowAttributes(display, window, &attributes) &&
               attributes.map_state == IsViewable;
    }

  private:
    Display* display;
    Window window = 0;
};

TEST(RemovalOnDisplay, TheWindowInFrontOfAnotherProgramStaysShownAndTheNoticeReachesTheTerminal) {
    if (!XvfbServer::Installed()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    XvfbServer& server = Server();
    ASSERT_TRUE(server.Running()) << server.Error();
    TempDevice device;
    const std::string installer = TAPWEAVE_BIN_DIR "/tapweave-install";
    const ChildProcess::Environment headless = {{"TAPWEAVE_GUI", "headless"},
                                                {"DISPLAY", std::nullopt}};
    ASSERT_EQ(RunTool({installer, "install"}, {.environment = headless}).exitCode, 0);
    // A recorder holding a calibrated touch screen only hides when asked to end.
    ChildProcess recorder({TAPWEAVE_BIN_DIR "/tapweave-stand-in-recorder", "calibrated"},
                          {.environment = headless, .output = ChildProcess::Stream::Capture});
    ASSERT_TRUE(recorder.WaitForLine("ready", std::chrono::seconds(20)));
    ChildProcess terminal({"sleep", "60"});
    const DesktopWindow front(server.Name(), terminal.Pid());
    ASSERT_TRUE(front.Mapped());

    ChildProcess removal({installer, "uninstall"},
                         {.environment = {{"DISPLAY", server.Name()}, {"TAPWEAVE_GUI", "qt"}},
                          .output = ChildProcess::Stream::Capture,
                          .errors = ChildProcess::Stream::Capture});
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        box = FindWindowW(nullptr, L"Tapweave");
        return box && IsWindowVisible(box);
    }));
    EXPECT_TRUE(front.Mapped());
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(removal.ExitCode(), 0) << removal.Errors();
    EXPECT_NE(removal.Errors().find("Tapweave: Soft reset is required.\n"), std::string::npos)
        << removal.Errors();
    // The restart ended the recorder; the other program's window is still there.
    EXPECT_TRUE(recorder.WaitStatus(std::chrono::seconds(10)).has_value());
    EXPECT_TRUE(front.Mapped());
    EXPECT_TRUE(terminal.Running());
}

} // namespace
