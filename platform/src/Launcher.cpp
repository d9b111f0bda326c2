#include <atomic>
#include <spawn.h>

#include "platform/shell.h"

extern char** environ;

namespace platform {

namespace {

class SpawnLauncher : public Launcher {
  public:
    DWORD Start(const std::string& hostProgram, const std::wstring&) override {
        pid_t pid = 0;
        char* argv[] = {const_cast<char*>(hostProgram.c_str()), nullptr};
        if (posix_spawn(&pid, hostProgram.c_str(), nullptr, nullptr, argv, environ) != 0) {
            return 0;
        }
        return static_cast<DWORD>(pid);
    }
};

std::atomic<Launcher*>& Override() {
    static std::atomic<Launcher*> launcher{nullptr};
    return launcher;
}

} // namespace

Launcher& Launcher::Current() {
    if (Launcher* launcher = Override().load(std::memory_order_acquire)) {
        return *launcher;
    }
    static SpawnLauncher real;
    return real;
}

void Launcher::Set(Launcher* launcher) {
    Override().store(launcher, std::memory_order_release);
}

} // namespace platform
