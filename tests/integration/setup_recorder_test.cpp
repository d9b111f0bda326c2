// Removal while the recorder runs, with a stand-in program that has the recorder's main window
// and answers WM_CLOSE as the recorder does: it stores its position; calibrated, it hides and the
// restart after removal ends it; otherwise it ends at once, and nothing is restarted. Removal
// leaves no stored position. Every wait has a deadline.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "ScopedEnvironment.h"
#include "SetupLibrary.h"
#include "TempDevice.h"
#include "platform/gui.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/windows.h"

namespace {

namespace fs = std::filesystem;

const wchar_t* const installDir = L"\\Program Files\\Tapweave";

// The stand-in recorder as a child process, killed if a test leaves it running; it says
// "ready" once its window is up.
ChildProcess StandInRecorder(bool calibrated) {
    return ChildProcess(
        {TAPWEAVE_BIN_DIR "/tapweave-stand-in-recorder", calibrated ? "calibrated" : "plain"},
        {.output = ChildProcess::Stream::Capture});
}

class RemovalWithRecorder : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(device.Host("Windows/Start Menu/Programs/Tapweave"));
        device.Write("Program Files/Tapweave/Player.exe", "");
        ASSERT_TRUE(library.Loaded());
    }

    ScopedEnvironment headless{"TAPWEAVE_GUI", "headless"};
    TempDevice device;
    SetupLibrary library{TAPWEAVE_BIN_DIR};
};

bool PositionStored() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Veltrane\\Tapweave\\Recorder\\Window", 0, 0,
                      &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

const char* const softResetMessage =
    "Tapweave: Soft reset is required.\nPRESS JOYSTICK's CENTER or MAKE SOFT RESET manually\n";

TEST_F(RemovalWithRecorder, ACalibratedRecorderHidesAndTheRestartEndsIt) {
    ChildProcess recorder = StandInRecorder(true);
    ASSERT_TRUE(recorder.WaitForLine("ready", std::chrono::seconds(20)));
    HWND window = FindWindowW(L"Tapweave Class", L"Tapweave Recorder");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(IsWindowVisible(window));

    EXPECT_EQ(library.uninstallInit(nullptr, installDir), codeUNINSTALL_INIT_CONTINUE);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(recorder.WaitStatus(std::chrono::milliseconds(300)), std::nullopt);
    EXPECT_FALSE(fs::exists(device.Host("Program Files/Tapweave")));
    EXPECT_FALSE(PositionStored());
    // A close that reaches the still running recorder later stores its position once more.
    SendMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PositionStored());

    testing::internal::CaptureStderr();
    EXPECT_EQ(library.uninstallExit(nullptr), codeUNINSTALL_EXIT_DONE);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("\a") + softResetMessage);

    const std::optional<int> status = recorder.WaitStatus(std::chrono::seconds(10));
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFSIGNALED(*status));
    EXPECT_FALSE(PositionStored());
    // The restart leaves nothing of the processes that ran.
    EXPECT_TRUE(fs::is_empty(fs::path(device.Directory()) / "run"));
    EXPECT_EQ(FindWindowW(L"Tapweave Class", L"Tapweave Recorder"), nullptr);
}

// Field 22 of /proc/<pid>/stat, as the device's entries record it.
unsigned long long StartTimeOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    std::istringstream fields(line.substr(line.rfind(')') + 1));
    std::string field;
    for (int index = 3; index < 22; ++index) {
        fields >> field;
    }
    unsigned long long startTime = 0;
    fields >> startTime;
    return startTime;
}

TEST_F(RemovalWithRecorder, TheRestartEndsOnlyTheDevicesOwnProcessesAndRemovesOnlyItsEntries) {
    ChildProcess recorder = StandInRecorder(false);
    ASSERT_TRUE(recorder.WaitForLine("ready", std::chrono::seconds(20)));
    // Processes that are not the device's: host programs.
    ChildProcess named({"sleep", "60"});
    ChildProcess recorded({"sleep", "60"});
    ASSERT_TRUE(named.Running() && recorded.Running());
    const fs::path run = fs::path(device.Directory()) / "run";
    // Entries naming processes that are not the device's, each with its true start time.
    std::ofstream(run / "windows" / "0000beef")
        << named.Pid() << ' ' << StartTimeOf(named.Pid())
        << " 1 1 0 0 10 10 1\nTapweave Class\nTapweave Recorder\n";
    fs::create_directories(run / "processes");
    std::ofstream(run / "processes" / std::to_string(recorded.Pid()))
        << StartTimeOf(recorded.Pid()) << "\n/usr/bin/sleep\n";
    // Something of the user's in run/, and a link out of the device among the entries.
    const fs::path outside = device.Directory() + ".outside";
    fs::create_directories(outside / "windows");
    std::ofstream(outside / "windows" / "0000cafe") << "keep";
    std::ofstream(run / "notes.txt") << "keep";
    fs::create_directory_symlink(outside / "windows", run / "processes" / "77");

    EXPECT_TRUE(KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr));
    const std::optional<int> status = recorder.WaitStatus(std::chrono::seconds(10));
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFSIGNALED(*status));
    EXPECT_TRUE(named.Running());
    EXPECT_TRUE(recorded.Running());
    EXPECT_FALSE(fs::exists(run / "windows"));
    EXPECT_FALSE(fs::exists(run / "processes"));
    EXPECT_TRUE(fs::exists(run / "notes.txt"));
    EXPECT_TRUE(fs::exists(outside / "windows" / "0000cafe"));

    // A run/ that is itself a link out of the device is not entered.
    fs::remove_all(run);
    fs::create_directory_symlink(outside, run);
    EXPECT_TRUE(KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_TRUE(fs::exists(outside / "windows" / "0000cafe"));
    fs::remove(run);
    fs::remove_all(outside);
}

TEST_F(RemovalWithRecorder, ARecorderThatIsNotCalibratedEndsAtOnceAndNothingIsRestarted) {
    ChildProcess recorder = StandInRecorder(false);
    ASSERT_TRUE(recorder.WaitForLine("ready", std::chrono::seconds(20)));
    ASSERT_NE(FindWindowW(L"Tapweave Class", L"Tapweave Recorder"), nullptr);

    EXPECT_EQ(library.uninstallInit(nullptr, installDir), codeUNINSTALL_INIT_CONTINUE);
    const std::optional<int> status = recorder.WaitStatus(std::chrono::seconds(10));
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
    EXPECT_FALSE(PositionStored());

    // Nothing of it runs any more: no notice, no restart, and other programs of the device
    // keep running.
    ChildProcess other = StandInRecorder(false);
    ASSERT_TRUE(other.WaitForLine("ready", std::chrono::seconds(20)));
    testing::internal::CaptureStderr();
    EXPECT_EQ(library.uninstallExit(nullptr), codeUNINSTALL_EXIT_DONE);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(other.Running());
}

} // namespace
