// A tap and a key injected through XTest reach an X client at exactly the pixel and as the
// key the program meant, under a private Xvfb.
// Before Xlib, whose macros (None, Bool, Status) would clash with its names.
#include <gtest/gtest.h>

#include <X11/XF86keysym.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <optional>
#include <unistd.h>
#include <vector>

#include "DeviceTool.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "XInputClient.h"
#include "XvfbServer.h"
#include "platform/Injector.h"
#include "platform/display.h"
#include "platform/input.h"

namespace {

using namespace std::chrono_literals;

using Arrival = XInputClient::Arrival;

constexpr int width = 640;
constexpr int height = 480;

class X11Inject : public testing::Test {
  protected:
    void SetUp() override {
        if (!XvfbServer::Installed()) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_TRUE(server->Running()) << server->Error();
        display.emplace("DISPLAY", server->Name().c_str());
        input.emplace("TAPWEAVE_INPUT", "x11");
        device.emplace();
    }

    // The injector's connection closes while the server still runs.
    void TearDown() override { platform::Injector::Set(nullptr); }

    std::optional<XvfbServer> server{std::in_place, width, height};
    // The screen size comes from here rather than from the platform's own X connection, which
    // would outlive this test's server.
    ScopedEnvironment screen{"TAPWEAVE_SCREEN", "640x480"};
    std::optional<ScopedEnvironment> display;
    std::optional<ScopedEnvironment> input;
    std::optional<TempDevice> device;
};

TEST_F(X11Inject, ATapArrivesAtTheExactPixel) {
    XInputClient client(server->Name(), {.width = width, .height = height});
    ASSERT_TRUE(client.WaitReady(10s));
    const DWORD scaleX = 65535 / static_cast<DWORD>(GetSystemMetrics(SM_CXSCREEN));
    const DWORD scaleY = 65535 / static_cast<DWORD>(GetSystemMetrics(SM_CYSCREEN));
    ASSERT_EQ(scaleX, 102u);
    ASSERT_EQ(scaleY, 136u);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, 100 * scaleX, 200 * scaleY, 0, 0);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, 100 * scaleX, 200 * scaleY, 0, 0);
    const std::vector<Arrival> arrivals = client.WaitFor(2, 10s);
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[0].type, ButtonPress);
    EXPECT_EQ(arrivals[1].type, ButtonRelease);
    for (const Arrival& arrival : arrivals) {
        EXPECT_EQ(arrival.x, 100);
        EXPECT_EQ(arrival.y, 200);
    }
}

// X here stands for XWayland: without /dev/uinput the tap still reaches the X programs, and
// each program says once that only they are reached, and how to reach the others.
TEST_F(X11Inject, InAWaylandSessionXTestReachesTheXProgramsAndSaysSoOnce) {
    if (access("/dev/uinput", W_OK) == 0) {
        GTEST_SKIP() << "uinput is writable here, so it would be chosen";
    }
    XInputClient client(server->Name(), {.width = width, .height = height});
    ASSERT_TRUE(client.WaitReady(10s));
    const ChildProcess::Options wayland = {
        .environment = {{"WAYLAND_DISPLAY", "wayland-9"}, {"TAPWEAVE_INPUT", std::nullopt}}};
    for (const char* flags : {"0x8002", "0x8004"}) {
        const ToolRun run = DeviceTool({"mouse", flags, "10200", "27200"}, wayland);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
        for (const char* named :
             {"Wayland", "XWayland", "/dev/uinput", "tapweave-install udev-rule"}) {
            EXPECT_NE(run.errors.find(named), std::string::npos) << run.errors;
        }
    }
    const std::vector<Arrival> arrivals = client.WaitFor(2, 10s);
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[1].type, ButtonRelease);
    EXPECT_EQ(arrivals[1].x, 100);
    EXPECT_EQ(arrivals[1].y, 200);
}

TEST_F(X11Inject, AMoveWithThePenDownDragsToTheLastPixel) {
    XInputClient client(server->Name(), {.width = width, .height = height});
    ASSERT_TRUE(client.WaitReady(10s));
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, 639 * 102, 479 * 136, 0, 0);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, 639 * 102, 479 * 136, 0, 0);
    const std::vector<Arrival> arrivals = client.WaitFor(2, 10s);
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(std::make_pair(arrivals[0].x, arrivals[0].y), std::make_pair(0, 0));
    EXPECT_EQ(std::make_pair(arrivals[1].x, arrivals[1].y), std::make_pair(639, 479));
}

TEST_F(X11Inject, ReturnArrivesAsReturn) {
    XInputClient client(server->Name(), {.width = width, .height = height});
    ASSERT_TRUE(client.WaitReady(10s));
    // A key the device has no keysym for sends nothing at all, so Return comes first.
    keybd_event(0, 0, KEYEVENTF_SILENT, 0);
    keybd_event(0, 0, KEYEVENTF_SILENT | KEYEVENTF_KEYUP, 0);
    keybd_event(VK_RETURN, 0, KEYEVENTF_SILENT, 0);
    keybd_event(VK_RETURN, 0, KEYEVENTF_SILENT | KEYEVENTF_KEYUP, 0);
    const std::vector<Arrival> arrivals = client.WaitFor(2, 10s);
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[0].type, KeyPress);
    EXPECT_EQ(arrivals[0].keysym, static_cast<KeySym>(XK_Return));
    EXPECT_EQ(arrivals[1].type, KeyRelease);
    EXPECT_EQ(arrivals[1].keysym, static_cast<KeySym>(XK_Return));
}

// The launch keys are not on every keymap: the injector binds a spare keycode for a missing
// one (two are taken off here), and the client sees the keysym once it has the new mapping.
TEST_F(X11Inject, ApplicationKeysArriveAsLaunchKeys) {
    XInputClient client(
        server->Name(),
        {.width = width, .height = height, .unbound = {XF86XK_Launch5, XF86XK_Launch6}});
    ASSERT_TRUE(client.WaitReady(10s));
    const std::vector<std::pair<BYTE, KeySym>> keys = {
        {VK_APP1, XF86XK_Launch1}, {VK_APP2, XF86XK_Launch2}, {VK_APP3, XF86XK_Launch3},
        {VK_APP4, XF86XK_Launch4}, {VK_APP5, XF86XK_Launch5}, {VK_APP6, XF86XK_Launch6},
        {VK_LWIN, XK_Super_L}};
    for (const auto& [vk, keysym] : keys) {
        keybd_event(vk, 0, KEYEVENTF_SILENT, 0);
        keybd_event(vk, 0, KEYEVENTF_SILENT | KEYEVENTF_KEYUP, 0);
    }
    const std::vector<Arrival> arrivals = client.WaitFor(2 * keys.size(), 10s);
    ASSERT_EQ(arrivals.size(), 2 * keys.size());
    for (std::size_t index = 0; index < keys.size(); ++index) {
        EXPECT_EQ(arrivals[2 * index].type, KeyPress);
        EXPECT_EQ(arrivals[2 * index].keysym, keys[index].second) << index;
        EXPECT_EQ(arrivals[2 * index + 1].keysym, keys[index].second) << index;
    }
}

// When the server goes away under it, the process keeps running and the calls from then on,
// the first included, go to the device's journal with one message.
TEST_F(X11Inject, LosingTheServerSendsTheCallsToTheJournal) {
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, 10, 10, 0, 0);
    server.reset();
    testing::internal::CaptureStderr();
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, 102, 136, 0, 0);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, 102, 136, 0, 0);
    keybd_event(VK_RETURN, 0, KEYEVENTF_SILENT, 0);
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("X display went away"), std::string::npos) << message;
    std::ifstream journal(device->Directory() + "/run/input.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(journal, line);) {
        lines.push_back(line.substr(0, line.find(" t_us=")));
    }
    // The press may have left before the loss showed; the calls after it never go missing.
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "mouse_event flags=0x8004 dx=102 dy=136");
    EXPECT_EQ(lines.back(), "keybd_event vk=0xd flags=0x4");
}

} // namespace
