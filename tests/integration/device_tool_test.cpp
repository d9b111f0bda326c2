// tapweave-device as a user runs it: real processes on a temporary device.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "ChildProcess.h"
#include "DeviceTool.h"
#include "ProductVersion.h"
#include "TempDevice.h"

namespace {

// Runs the tool with a watchdog; standard error is folded into the output.
ToolRun Tool(const std::vector<std::string>& arguments,
             const ChildProcess::Environment& environment = {}) {
    return DeviceTool(arguments, {.environment = environment, .errorsToOutput = true});
}

} // namespace

TEST(DeviceTool, RegistryValuesSurviveBetweenRuns) {
    TempDevice device;
    EXPECT_EQ(Tool({"reg", "set", "HKLM\\Software\\Apps\\Veltrane Tapweave", "InstallDir", "sz",
                    "\\Storage Card\\TW"})
                  .exitCode,
              0);
    EXPECT_EQ(Tool({"reg", "set", "HKLM\\SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window", "x",
                    "dword", "0x10"})
                  .exitCode,
              0);

    ToolRun query = Tool({"reg", "query", "hklm\\software\\apps\\VELTRANE TAPWEAVE", "installdir"});
    EXPECT_EQ(query.exitCode, 0);
    EXPECT_EQ(query.output, "installdir\tREG_SZ\t\\Storage Card\\TW\n");
    EXPECT_EQ(Tool({"reg", "query", "HKLM\\SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window"}).output,
              "x\tREG_DWORD\t0x10 (16)\n");

    EXPECT_EQ(Tool({"reg", "delete", "HKLM\\SOFTWARE\\Veltrane"}).exitCode, 0);
    EXPECT_EQ(
        Tool({"reg", "query", "HKLM\\SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window"}).exitCode, 1);
}

TEST(DeviceTool, InjectionGoesToTheChosenJournal) {
    TempDevice device;
    ToolRun run = Tool({"mouse", "0x8002", "27300", "-40800"}, {{"TAPWEAVE_INPUT", "journal:-"}});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output.rfind("mouse_event flags=0x8002 dx=27300 dy=-40800 t_us=", 0), 0u)
        << run.output;
    run = Tool({"key", "0xC3", "6"}, {{"TAPWEAVE_INPUT", "journal:-"}});
    EXPECT_EQ(run.output.rfind("keybd_event vk=0xc3 flags=0x6 t_us=", 0), 0u) << run.output;
}

// With neither an X display nor /dev/uinput every call goes to the journal: the tool's info
// says which session it sees and what that reaches, and a program that plays says so once.
TEST(DeviceTool, TheSessionDecidesWhatInjectionReachesAndEveryShortfallIsSaid) {
    if (access("/dev/uinput", W_OK) == 0) {
        GTEST_SKIP() << "uinput is writable here, so it would be chosen";
    }
    TempDevice device;
    const std::string journal = device.Directory() + "/run/input.log";
    using Environment = ChildProcess::Environment;
    const Environment bare = {{"DISPLAY", std::nullopt},
                              {"WAYLAND_DISPLAY", std::nullopt},
                              {"XDG_SESSION_TYPE", std::nullopt},
                              {"TAPWEAVE_INPUT", std::nullopt}};
    auto with = [&bare](const Environment& more) {
        Environment environment = bare;
        environment.insert(environment.end(), more.begin(), more.end());
        return environment;
    };
    for (const auto& [environment, session] : std::vector<std::pair<Environment, std::string>>{
             {with({{"WAYLAND_DISPLAY", "wayland-9"}}), "wayland"},
             {with({{"XDG_SESSION_TYPE", "wayland"}}), "wayland"},
             {with({{"XDG_SESSION_TYPE", "x11"}}), "none (no display)"}}) {
        const ToolRun info = Tool({"info"}, environment);
        EXPECT_NE(info.output.find("session:  " + session + "\n"), std::string::npos)
            << info.output;
        EXPECT_NE(info.output.find("input:    journal:" + journal +
                                   ": no program: the calls are written to the journal; to reach "
                                   "every program, install the udev rule"),
                  std::string::npos)
            << info.output;

        const ToolRun tap = DeviceTool({"mouse", "0x8002", "1", "2"}, {.environment = environment});
        EXPECT_EQ(tap.exitCode, 0);
        EXPECT_EQ(std::count(tap.errors.begin(), tap.errors.end(), '\n'), 1) << tap.errors;
        for (const std::string& named :
             {std::string("/dev/uinput"), std::string("tapweave-install udev-rule"), journal}) {
            EXPECT_NE(tap.errors.find(named), std::string::npos) << tap.errors;
        }
    }

    const ToolRun requested =
        DeviceTool({"key", "0x70", "0"}, {.environment = with({{"TAPWEAVE_INPUT", "uinput"}})});
    EXPECT_EQ(requested.exitCode, 0);
    EXPECT_EQ(
        requested.errors.rfind("tapweave: TAPWEAVE_INPUT=\"uinput\": cannot open /dev/uinput: ", 0),
        0u)
        << requested.errors;
    EXPECT_NE(requested.errors.find("tapweave-install udev-rule"), std::string::npos);
}

TEST(DeviceTool, BadArgumentsGetAMessageAndExitCodeTwo) {
    TempDevice device;
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"bogus"},
        {"mouse", "1", "2"},
        {"mouse", "0x8002", "12abc", "5"},
        {"mouse", "0x8002", "1", "99999999999"},
        {"key", "256", "0"},
        {"key", "-1", "0"},
        {"reg", "set", "HKLM\\x", "n", "qword", "1"},
        {"reg", "set", "HKLM\\x", "n", "dword", "-1"},
        {"reg", "query", "HKXX\\Software"},
        {"info", "extra"}};
    for (const std::vector<std::string>& arguments : cases) {
        const ToolRun run = Tool(arguments);
        EXPECT_EQ(run.exitCode, 2) << testing::PrintToString(arguments);
        EXPECT_NE(run.output.find("tapweave-device: "), std::string::npos)
            << testing::PrintToString(arguments);
    }
}

TEST(DeviceTool, PathsThatCannotExistFail) {
    TempDevice device;
    const ToolRun inside = Tool({"path", "\\Windows\\..\\..\\..\\etc\\passwd"});
    EXPECT_EQ(inside.exitCode, 0);
    EXPECT_EQ(inside.output, device.Directory() + "/fs/etc/passwd\n");
    EXPECT_EQ(Tool({"path", "My Documents\\a:b"}).exitCode, 1);
    EXPECT_EQ(Tool({"path", "x\\\"quoted\""}).exitCode, 1);
}

TEST(DeviceTool, TheWindowListWaitsOnNothingPutInTheRunDirectory) {
    TempDevice device;
    const std::string windows = device.Directory() + "/run/windows";
    std::filesystem::create_directories(windows);
    ASSERT_EQ(mkfifo((windows + "/00010000").c_str(), 0644), 0);
    ASSERT_EQ(mkfifo((device.Directory() + "/run/foreground-window").c_str(), 0644), 0);
    const ToolRun run = Tool({"windows"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, "");
}

// The programs a person runs by name answer for themselves before they touch a window: on a
// display nobody serves, one that opened a window would fail or wait instead.
TEST(DeviceTool, EveryProgramAnswersHelpAndVersionWithoutAWindow) {
    TempDevice device;
    const ChildProcess::Options nowhere = {
        .environment = {{"DISPLAY", ":65000"}, {"TAPWEAVE_GUI", std::nullopt}}};
    for (const std::string program : {"tapweave-device", "tapweave-recorder", "tapweave-install",
                                      "tapweave-help", "tapweave-calibrate"}) {
        const std::string path = TAPWEAVE_BIN_DIR "/" + program;
        for (const char* option : {"--help", "-h"}) {
            const ToolRun run = RunTool({path, option}, nowhere, std::chrono::seconds(20));
            EXPECT_EQ(run.exitCode, 0) << program << " " << option << ": " << run.errors;
            EXPECT_EQ(run.output.rfind("usage: " + program, 0), 0u) << run.output;
        }
        const ToolRun version = RunTool({path, "--version"}, nowhere, std::chrono::seconds(20));
        EXPECT_EQ(version.exitCode, 0) << program << ": " << version.errors;
        EXPECT_EQ(version.output, std::string(productVersion) + "\n") << program;
    }
}
