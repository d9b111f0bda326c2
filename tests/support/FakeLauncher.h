// A launcher that starts nothing and records what it was asked to start, in place while the
// object lives.
#pragma once

#include <string>
#include <vector>

#include "platform/shell.h"

class FakeLauncher : public platform::Launcher {
  public:
    FakeLauncher() { Set(this); }
    ~FakeLauncher() override { Set(nullptr); }
    FakeLauncher(const FakeLauncher&) = delete;
    FakeLauncher& operator=(const FakeLauncher&) = delete;

    DWORD Start(const std::string& hostProgram, const std::wstring&) override {
        started.push_back(hostProgram);
        return 4242;
    }

    std::vector<std::string> started;
};
