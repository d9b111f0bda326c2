// Starting a program with CreateProcessW: where the image name is looked up, what the program
// is started with, and how a failure is reported.
#include <gtest/gtest.h>

#include <string>

#include "RecordingLauncher.h"
#include "TempDevice.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace {

class CreateProcess : public ::testing::Test {
  protected:
    void SetUp() override {
        device.Write("Windows/peghelp.exe", "viewer");
        device.Write("Program Files/Tapweave/Player.exe", "player");
        device.Write("peghelp.exe", "a program in the root folder");
    }

    static BOOL Create(LPCWSTR image, LPCWSTR commandLine,
                       LPPROCESS_INFORMATION information = nullptr) {
        return CreateProcessW(image, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              nullptr, information);
    }

    TempDevice device;
    RecordingLauncher launcher;
};

TEST_F(CreateProcess, BareNameIsAProgramOfTheWindowsFolder) {
    ASSERT_TRUE(Create(L"peghelp.exe", L"Tapweave Help.htm"));
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].hostProgram, device.Host("Windows/peghelp.exe"));
    // The command line reaches the program as one text, spaces and all.
    EXPECT_EQ(launcher.starts[0].commandLine, L"Tapweave Help.htm");

    // Names are matched without regard to case, as the device's files are.
    ASSERT_TRUE(Create(L"PEGHELP.EXE", nullptr));
    EXPECT_EQ(launcher.starts[1].hostProgram, device.Host("Windows/peghelp.exe"));
    EXPECT_EQ(launcher.starts[1].commandLine, L"");
}

TEST_F(CreateProcess, PathsNameTheirOwnProgram) {
    ASSERT_TRUE(Create(L"\\Program Files\\Tapweave\\Player.exe", L"\"New Macro\""));
    ASSERT_TRUE(Create(L"\\peghelp.exe", L""));
    ASSERT_EQ(launcher.starts.size(), 2u);
    EXPECT_EQ(launcher.starts[0].hostProgram, device.Host("Program Files/Tapweave/Player.exe"));
    EXPECT_EQ(launcher.starts[0].commandLine, L"\"New Macro\"");
    EXPECT_EQ(launcher.starts[1].hostProgram, device.Host("peghelp.exe"));
}

TEST_F(CreateProcess, ProcessInformationNamesTheNewProcess) {
    PROCESS_INFORMATION information{};
    ASSERT_TRUE(Create(L"peghelp.exe", L"", &information));
    EXPECT_EQ(information.dwProcessId, launcher.processId);
    EXPECT_EQ(information.dwThreadId, launcher.processId);
    EXPECT_EQ(information.hThread, nullptr);
    ASSERT_NE(information.hProcess, nullptr);
    EXPECT_TRUE(CloseHandle(information.hProcess));
}

TEST_F(CreateProcess, FailuresStartNothingAndSayWhy) {
    // Not in \Windows, though the root folder has one; a folder; a name outside the device.
    for (LPCWSTR image : {L"missing.exe", L"\\Windows", L"..\\..\\bin\\sh", L"a|b.exe"}) {
        SetLastError(0);
        EXPECT_FALSE(Create(image, L"")) << image;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << image;
    }
    SetLastError(0);
    EXPECT_FALSE(Create(nullptr, L""));
    EXPECT_FALSE(Create(L"", L""));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(launcher.starts.empty());

    // The program is there but cannot be started.
    launcher.processId = 0;
    PROCESS_INFORMATION information{};
    EXPECT_FALSE(Create(L"peghelp.exe", L"", &information));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(information.hProcess, nullptr);
}

} // namespace
