// The start step: capturing the program in front and bringing it back.
#include <filesystem>
#include <gtest/gtest.h>

#include <memory>

#include "ActionRegistry.h"
#include "FakeClock.h"
#include "FakeDesktop.h"
#include "FakeLauncher.h"
#include "Start.h"
#include "TempDevice.h"

namespace {

std::unique_ptr<Action> StartLine(const std::string& params) {
    return std::unique_ptr<Action>(ActionRegistry::GetInstance().Create("Start", params));
}

TEST(StartCapture, NamesTheTodayScreenOrTheProgramInFront) {
    FakeDesktop desktop;
    const HWND today = desktop.AddToday(1);
    const HWND editor = desktop.AddWindow(2, 77, L"\\Program Files\\Notes\\notes.exe");
    const HWND host = desktop.AddWindow(3, 78, L"/usr/bin/grüß");
    const HWND panel =
        desktop.AddWindow(4, platform::Desktop::shellProcessId, L"\\Windows\\shell32.exe");

    desktop.front = today;
    EXPECT_EQ(Start().GetTarget(), "Today");
    desktop.front = editor;
    EXPECT_EQ(Start().GetTarget(), "\\Program Files\\Notes\\notes.exe");
    desktop.front = host;
    EXPECT_EQ(Start().GetTarget(), "/usr/bin/gr\xC3\xBC\xC3\x9F");
    desktop.front = panel;
    EXPECT_EQ(Start().GetTarget(), "\\Windows\\shell32.exe");
}

TEST(StartCapture, NothingKnownInFrontGivesAnEmptyTarget) {
    FakeDesktop desktop;
    desktop.AddToday(1);
    EXPECT_EQ(Start().GetTarget(), "");     // no front window
    desktop.front = FakeDesktop::Window(9); // a window of no known process
    EXPECT_EQ(Start().GetTarget(), "");
}

TEST(StartCapture, NoDesktopAtAllCountsAsTheTodayScreen) {
    FakeDesktop desktop; // no front window and no Today window: the same null handle
    EXPECT_EQ(Start().GetTarget(), "Today");
}

TEST(StartPlay, TodayIsBroughtUpWaitedForAndActivatedWithoutALaunch) {
    TempDevice device;
    FakeClock clock;
    FakeDesktop desktop;
    FakeLauncher launcher;
    const HWND today = desktop.AddToday(1);
    ASSERT_TRUE(StartLine("Today")->Play());
    EXPECT_EQ(desktop.activated, std::vector<HWND>{today});
    EXPECT_EQ(clock.sleeps, std::vector<DWORD>{200});
    const std::vector<FakeDesktop::Message> expected = {{today, WM_ACTIVATE, WA_ACTIVE, 0}};
    EXPECT_EQ(desktop.sent, expected);
    EXPECT_TRUE(launcher.started.empty());
}

TEST(StartPlay, MissingTodayWindowStillWaitsButSendsNothing) {
    TempDevice device;
    FakeClock clock;
    FakeDesktop desktop;
    FakeLauncher launcher;
    desktop.AddWindow(2, 77, L"/usr/bin/true");
    desktop.front = FakeDesktop::Window(2);
    ASSERT_TRUE(StartLine("Today")->Play());
    EXPECT_EQ(clock.sleeps, std::vector<DWORD>{200});
    EXPECT_TRUE(desktop.sent.empty());
    EXPECT_TRUE(launcher.started.empty()); // no file named Today to open
}

TEST(StartPlay, ProgramTargetsAreOpenedWholeThroughTheShell) {
    TempDevice device;
    device.Write("Program Files/My App/my app.exe", "");
    device.Write("today", "");
    // Without ".exe", a file of the device is a program when the host may execute it.
    std::filesystem::permissions(device.Host("today"), std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    FakeClock clock;
    FakeDesktop desktop;
    FakeLauncher launcher;
    desktop.AddToday(1);
    for (const char* target : {"\\Program Files\\My App\\my app.exe", "today"}) {
        const std::unique_ptr<Action> start = StartLine(target);
        EXPECT_EQ(start->GetParams(), target);
        EXPECT_TRUE(start->Play());
    }
    const std::vector<std::string> expected = {device.Host("Program Files/My App/my app.exe"),
                                               device.Host("today")};
    EXPECT_EQ(launcher.started, expected);
    EXPECT_TRUE(clock.sleeps.empty()); // a program is not waited for
    EXPECT_TRUE(desktop.activated.empty());
}

TEST(StartPlay, EmptyOrMissingTargetLaunchesNothingAndSucceeds) {
    TempDevice device;
    FakeDesktop desktop;
    FakeLauncher launcher;
    for (const char* target : {"", "\\Program Files\\Gone\\gone.exe", "Today\r"}) {
        EXPECT_TRUE(StartLine(target)->Play()) << target;
    }
    EXPECT_TRUE(launcher.started.empty());
}

} // namespace
