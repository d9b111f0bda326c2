// The command line a program receives, in real processes on a temporary device: started by the
// device's shell from a shortcut or by CreateProcessW, it is the exact text the shell was given;
// started from a Linux shell, its arguments are joined as the device's shell would write them.
// The programs are this test program run as a helper (CommandLineHelper) that writes what
// GetCommandLineW gave it to a file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "ChildProcess.h"
#include "FileContent.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "WaitUntil.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace {

class CommandLine : public ::testing::Test {
  protected:
    // A helper that hangs fails the test instead of hanging it.
    void SetUp() override { alarm(60); }
    void TearDown() override { alarm(0); }

    // The program's text once it has written it, within the watchdog.
    std::string Received() {
        EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(output + ".done"); }));
        return FileContent(output);
    }
    // Programs the device's shell started have ended once the device's process table is
    // empty again.
    void WaitForShellPrograms() {
        const std::string table = device.Directory() + "/run/processes";
        EXPECT_TRUE(WaitUntil(
            [&] { return !std::filesystem::exists(table) || std::filesystem::is_empty(table); }));
    }

    TempDevice device;
    ScopedEnvironment noDisplay{"DISPLAY", nullptr};
    std::string output = device.Directory() + "/command-line.txt";
    ScopedEnvironment outputFile{"TAPWEAVE_TEST_OUTPUT", output.c_str()};
    ScopedEnvironment filter{"GTEST_FILTER", "CommandLineHelper.DISABLED_Write"};
    ScopedEnvironment disabled{"GTEST_ALSO_RUN_DISABLED_TESTS", "1"};
};

TEST_F(CommandLine, ShellStartedProgramGetsTheExactText) {
    std::filesystem::create_directories(device.Host("Program Files/Tapweave"));
    std::filesystem::create_symlink(std::filesystem::read_symlink("/proc/self/exe"),
                                    device.Host("Program Files/Tapweave/Echo.exe"));
    const std::string commandLine = "\"\\Program Files\\Tapweave\\Echo.exe\" \"My  Macro\"  x ";
    device.Write("Echo.lnk", std::to_string(commandLine.size()) + "#" + commandLine);

    SHELLEXECUTEINFO info{};
    info.cbSize = 60;
    info.lpVerb = L"open";
    info.lpFile = L"\\Echo.lnk";
    ASSERT_TRUE(ShellExecuteEx(&info));
    EXPECT_EQ(Received(), commandLine);
    WaitForShellPrograms();

    std::filesystem::remove(output + ".done");
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(L"\\Program Files\\Tapweave\\Echo.exe", L"\"one argument\"", nullptr,
                               nullptr, FALSE, 0, nullptr, nullptr, nullptr, &process));
    CloseHandle(process.hProcess);
    EXPECT_EQ(Received(), "\"\\Program Files\\Tapweave\\Echo.exe\" \"one argument\"");
    WaitForShellPrograms();
}

TEST_F(CommandLine, LinuxShellArgumentsAreJoinedAndQuotedWhereNeeded) {
    // The text a program of the device passed on to its own children is not theirs.
    const ScopedEnvironment inherited("TAPWEAVE_COMMAND_LINE", "\"inherited\"");
    ChildProcess echo({"/proc/self/exe", "My Macro", "", "a\tb", "My", "Macro", "\\Back\\slash"},
                      {.name = "tapweave-echo"});
    ASSERT_TRUE(echo.Started());
    ASSERT_EQ(echo.ExitCode(), 0);
    EXPECT_EQ(Received(), "\"tapweave-echo\" \"My Macro\" \"\" \"a\tb\" My Macro \\Back\\slash");
}

// Run as a helper only: writes this program's command line in UTF-8, then marks it written.
TEST(CommandLineHelper, DISABLED_Write) {
    const char* output = std::getenv("TAPWEAVE_TEST_OUTPUT");
    ASSERT_NE(output, nullptr);
    const std::wstring text = GetCommandLineW();
    std::string bytes(text.size() * 4 + 1, '\0');
    bytes.resize(std::wcstombs(bytes.data(), text.c_str(), bytes.size()));
    std::ofstream(output, std::ios::binary) << bytes;
    std::ofstream(std::string(output) + ".done");
}

} // namespace
