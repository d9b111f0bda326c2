// Removal while the recorder runs, with a stand-in program that has the recorder's main window
// and answers WM_CLOSE as the recorder does: it stores its position; calibrated, it hides and the
// restart after removal ends it; otherwise it ends at once. Removal leaves no stored position.
// Every wait has a deadline.
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "ScopedEnvironment.h"
#include "SetupLibrary.h"
#include "TempDevice.h"
#include "platform/gui.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/windows.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const wchar_t* const installDir = L"\\Program Files\\Tapweave";

// The stand-in recorder as a child process, killed if a test leaves it running.
class StandInRecorder {
  public:
    explicit StandInRecorder(bool calibrated) {
        int output[2];
        if (pipe(output) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, output[0]);
        const std::string program = std::string(TAPWEAVE_BIN_DIR) + "/tapweave-stand-in-recorder";
        std::string mode = calibrated ? "calibrated" : "plain";
        char* argv[] = {const_cast<char*>(program.c_str()), mode.data(), nullptr};
        if (posix_spawn(&process, program.c_str(), &actions, nullptr, argv, environ) != 0) {
            process = 0;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(output[1]);
        ready = ReadReady(output[0]);
        close(output[0]);
    }

    ~StandInRecorder() {
        if (process > 0 && !ended) {
            kill(process, SIGKILL);
            waitpid(process, nullptr, 0);
        }
    }

    bool Ready() const { return ready; }

    // The wait status once the process has ended, within the time; nullopt if it still runs.
    std::optional<int> WaitForEnd(std::chrono::milliseconds limit) {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            int status = 0;
            if (waitpid(process, &status, WNOHANG) == process) {
                ended = true;
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return std::nullopt;
    }

  private:
    static bool ReadReady(int fd) {
        std::string text;
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (text.find("ready\n") == std::string::npos && Clock::now() < deadline) {
            pollfd wait{fd, POLLIN, 0};
            if (poll(&wait, 1, 100) > 0) {
                char buffer[64];
                const ssize_t got = read(fd, buffer, sizeof buffer);
                if (got <= 0) {
                    return false;
                }
                text.append(buffer, static_cast<std::size_t>(got));
            }
        }
        return text.find("ready\n") != std::string::npos;
    }

    pid_t process = 0;
    bool ready = false;
    bool ended = false;
};

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
    StandInRecorder recorder(true);
    ASSERT_TRUE(recorder.Ready());
    HWND window = FindWindowW(L"Tapweave Class", L"Tapweave Recorder");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(IsWindowVisible(window));

    EXPECT_EQ(library.uninstallInit(nullptr, installDir), codeUNINSTALL_INIT_CONTINUE);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(recorder.WaitForEnd(std::chrono::milliseconds(300)), std::nullopt);
    EXPECT_FALSE(fs::exists(device.Host("Program Files/Tapweave")));
    EXPECT_FALSE(PositionStored());
    // A close that reaches the still running recorder later stores its position once more.
    SendMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PositionStored());

    testing::internal::CaptureStderr();
    EXPECT_EQ(library.uninstallExit(nullptr), codeUNINSTALL_EXIT_DONE);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("\a") + softResetMessage);

    const std::optional<int> status = recorder.WaitForEnd(std::chrono::seconds(10));
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

// A process that is not the device's: a host program, killed if a test leaves it running.
class HostProcess {
  public:
    HostProcess() {
        char sleep[] = "sleep";
        char seconds[] = "60";
        char* argv[] = {sleep, seconds, nullptr};
        if (posix_spawnp(&process, "sleep", nullptr, nullptr, argv, environ) != 0) {
            process = 0;
        }
    }
    ~HostProcess() {
        if (process > 0) {
            kill(process, SIGKILL);
            waitpid(process, nullptr, 0);
        }
    }
    bool Running() const { return process > 0 && waitpid(process, nullptr, WNOHANG) == 0; }

    pid_t process = 0;
};

TEST_F(RemovalWithRecorder, TheRestartEndsOnlyTheDevicesOwnProcessesAndRemovesOnlyItsEntries) {
    StandInRecorder recorder(false);
    ASSERT_TRUE(recorder.Ready());
    HostProcess named;
    HostProcess recorded;
    ASSERT_TRUE(named.Running() && recorded.Running());
    const fs::path run = fs::path(device.Directory()) / "run";
    // Entries naming processes that are not the device's, each with its true start time.
    std::ofstream(run / "windows" / "0000beef")
        << named.process << ' ' << StartTimeOf(named.process)
        << " 1 1 0 0 10 10 1\nTapweave Class\nTapweave Recorder\n";
    fs::create_directories(run / "processes");
    std::ofstream(run / "processes" / std::to_string(recorded.process))
        << StartTimeOf(recorded.process) << "\n/usr/bin/sleep\n";
    // Something of the user's in run/, and a link out of the device among the entries.
    const fs::path outside = device.Directory() + ".outside";
    fs::create_directories(outside / "windows");
    std::ofstream(outside / "windows" / "0000cafe") << "keep";
    std::ofstream(run / "notes.txt") << "keep";
    fs::create_directory_symlink(outside / "windows", run / "processes" / "77");

    EXPECT_TRUE(KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr));
    const std::optional<int> status = recorder.WaitForEnd(std::chrono::seconds(10));
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

TEST_F(RemovalWithRecorder, ARecorderThatIsNotCalibratedEndsAtOnce) {
    StandInRecorder recorder(false);
    ASSERT_TRUE(recorder.Ready());
    ASSERT_NE(FindWindowW(L"Tapweave Class", L"Tapweave Recorder"), nullptr);

    EXPECT_EQ(library.uninstallInit(nullptr, installDir), codeUNINSTALL_INIT_CONTINUE);
    const std::optional<int> status = recorder.WaitForEnd(std::chrono::seconds(10));
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
    EXPECT_FALSE(PositionStored());

    // It had been running, so the device is still to be restarted.
    testing::internal::CaptureStderr();
    EXPECT_EQ(library.uninstallExit(nullptr), codeUNINSTALL_EXIT_DONE);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("\a") + softResetMessage);
}

} // namespace
