// A launcher that starts nothing and records each program and command line it was asked to
// start, in place while the object lives. It answers with processId; 0 makes the start fail.
#pragma once

#include <string>
#include <vector>

#include "platform/shell.h"

class RecordingLauncher : public platform::Launcher {
  public:
    struct Call {
        std::string hostProgram;
        std::wstring commandLine;
    };

    RecordingLauncher() { Set(this); }
    ~RecordingLauncher() override { Set(nullptr); }
    RecordingLauncher(const RecordingLauncher&) = delete;
    RecordingLauncher& operator=(const RecordingLauncher&) = delete;

    DWORD Start(const std::string& hostProgram, const std::wstring& commandLine) override {
        starts.push_back({hostProgram, commandLine});
        return processId;
    }

    std::vector<Call> starts;
    // Above the largest identifier a Linux process can have: no real process is ever named, so
    // whatever waits for the "started" program finds it ended.
    DWORD processId = 0x7FFFFFF0;
};
