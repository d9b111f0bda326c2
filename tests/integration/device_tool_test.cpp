// tapweave-device as a user runs it: real processes on a temporary device.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

#include "TempDevice.h"

namespace {

struct ToolRun {
    int status;
    std::string out;
};

// Runs the tool with a watchdog; standard error is folded into the output.
ToolRun Tool(const std::string& arguments, const std::string& environment = "") {
    const std::string command =
        environment + " timeout 20 " TAPWEAVE_BIN_DIR "/tapweave-device " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    std::array<char, 512> buffer{};
    while (pipe && fgets(buffer.data(), buffer.size(), pipe)) {
        out += buffer.data();
    }
    const int status = pipe ? pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

} // namespace

TEST(DeviceTool, RegistryValuesSurviveBetweenRuns) {
    TempDevice device;
    EXPECT_EQ(
        Tool("reg set 'HKLM\\Software\\Apps\\Veltrane Tapweave' InstallDir sz '\\Storage Card\\TW'")
            .status,
        0);
    EXPECT_EQ(
        Tool("reg set 'HKLM\\SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window' x dword 0x10").status,
        0);

    ToolRun query = Tool("reg query 'hklm\\software\\apps\\VELTRANE TAPWEAVE' installdir");
    EXPECT_EQ(query.status, 0);
    EXPECT_EQ(query.out, "installdir\tREG_SZ\t\\Storage Card\\TW\n");
    EXPECT_EQ(Tool("reg query 'HKLM\\SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window'").out,
              "x\tREG_DWORD\t0x10 (16)\n");

    EXPECT_EQ(Tool("reg delete 'HKLM\\SOFTWARE\\Veltrane'").status, 0);
    EXPECT_EQ(Tool("reg query 'HKLM\\SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window'").status, 1);
}

TEST(DeviceTool, InjectionGoesToTheChosenJournal) {
    TempDevice device;
    ToolRun run = Tool("mouse 0x8002 27300 -40800", "TAPWEAVE_INPUT=journal:-");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("mouse_event flags=0x8002 dx=27300 dy=-40800 t_us=", 0), 0u) << run.out;
    run = Tool("key 0xC3 6", "TAPWEAVE_INPUT=journal:-");
    EXPECT_EQ(run.out.rfind("keybd_event vk=0xc3 flags=0x6 t_us=", 0), 0u) << run.out;
}

TEST(DeviceTool, BadArgumentsGetAMessageAndExitCodeTwo) {
    TempDevice device;
    for (const char* arguments :
         {"", "bogus", "mouse 1 2", "mouse 0x8002 12abc 5", "mouse 0x8002 1 99999999999",
          "key 256 0", "key -1 0", "reg set HKLM\\x n qword 1", "reg set HKLM\\x n dword -1",
          "reg query HKXX\\Software", "info extra"}) {
        const ToolRun run = Tool(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_NE(run.out.find("tapweave-device: "), std::string::npos) << arguments;
    }
}

TEST(DeviceTool, PathsThatCannotExistFail) {
    TempDevice device;
    const ToolRun inside = Tool("path '\\Windows\\..\\..\\..\\etc\\passwd'");
    EXPECT_EQ(inside.status, 0);
    EXPECT_EQ(inside.out, device.Directory() + "/fs/etc/passwd\n");
    EXPECT_EQ(Tool("path 'My Documents\\a:b'").status, 1);
    EXPECT_EQ(Tool("path 'x\\\"quoted\"'").status, 1);
}

TEST(DeviceTool, TheWindowListWaitsOnNothingPutInTheRunDirectory) {
    TempDevice device;
    const std::string windows = device.Directory() + "/run/windows";
    std::filesystem::create_directories(windows);
    ASSERT_EQ(mkfifo((windows + "/00010000").c_str(), 0644), 0);
    ASSERT_EQ(mkfifo((device.Directory() + "/run/foreground-window").c_str(), 0644), 0);
    const ToolRun run = Tool("windows");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
}
