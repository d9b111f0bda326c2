// The message box that removal shows when the device must be restarted, on a display: a window
// of the device in front of the others, answered by its "ok" button. The box is looked for and
// closed from another thread; if it never shows, the test ends the process rather than wait.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "XvfbServer.h"
#include "platform/alerts.h"
#include "platform/gui.h"
#include "platform/windows.h"

namespace {

TEST(MessageBoxOnDisplay, ShowsInFrontAndAnswersOkWhenItsButtonIsPressed) {
    if (!XvfbServer::Installed()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    // Kept for the life of the program: the window layer stays connected to it until the end.
    static XvfbServer server(240, 320);
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

} // namespace
