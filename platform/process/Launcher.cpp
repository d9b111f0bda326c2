#include <cerrno>
#include <csignal>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "FileName.h"
#include "ProcessTable.h"
#include "platform/Device.h"
#include "platform/Seam.h"
#include "platform/files.h"
#include "platform/shell.h"

extern char** environ;

namespace platform {

namespace {

bool StartsWith(const char* text, const std::string& prefix) {
    return std::strncmp(text, prefix.c_str(), prefix.size()) == 0;
}

// This process's environment for the new program, with the variables that describe how it
// was started replaced: TAPWEAVE_COMMAND_LINE, the exact command-line text (the arguments lose
// their quotes), and for a device program TAPWEAVE_IMAGE, its device path, and
// TAPWEAVE_DEVICE, so that it runs on the same device.
std::vector<std::string> Environment(const std::string& commandLine,
                                     const std::optional<std::string>& image) {
    const std::string commandLineName = "TAPWEAVE_COMMAND_LINE=";
    const std::string imageName = "TAPWEAVE_IMAGE=";
    const std::string deviceName = "TAPWEAVE_DEVICE=";
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable) {
        if (!StartsWith(*variable, commandLineName) && !StartsWith(*variable, imageName) &&
            !(image && StartsWith(*variable, deviceName))) {
            variables.emplace_back(*variable);
        }
    }
    variables.push_back(commandLineName + commandLine);
    if (image) {
        variables.push_back(imageName + *image);
        variables.push_back(deviceName + Device::Directory());
    }
    return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& text : strings) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Starts programs with posix_spawn in a session of their own, so that they outlive the
// program that started them as on the device. A thread per program waits for it to end, so
// that no zombie stays behind, and then takes it off the device's process table.
class SpawnLauncher : public Launcher {
  public:
    DWORD Start(const std::string& hostProgram, const std::wstring& commandLine) override {
        const std::optional<std::string> text = FileName::ToHost(commandLine);
        if (!text) {
            return 0;
        }
        std::vector<std::string> arguments{hostProgram};
        for (const std::wstring& argument : SplitCommandLine(commandLine)) {
            arguments.push_back(FileName::ToHost(argument).value_or(std::string()));
        }
        const std::wstring devicePath = DevicePath(hostProgram);
        const std::optional<std::string> image =
            devicePath.empty() ? std::nullopt : FileName::ToHost(devicePath);
        std::vector<std::string> variables = Environment(*text, image);
        std::vector<char*> argv = Pointers(arguments);
        std::vector<char*> envp = Pointers(variables);

        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        sigaddset(&defaults, SIGCHLD);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                  POSIX_SPAWN_SETSID);
        // The program gets none of this process's files, sockets and pipes.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
        pid_t pid = 0;
        const int error =
            posix_spawn(&pid, hostProgram.c_str(), &actions, &attributes, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        if (error != 0) {
            return 0;
        }
        const std::string record =
            image ? ProcessTable::Add(static_cast<DWORD>(pid), devicePath) : std::string();
        std::thread([pid, record] {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            if (!record.empty()) {
                ProcessTable::Remove(record);
            }
        }).detach();
        return static_cast<DWORD>(pid);
    }
};

constinit Seam<Launcher> seam;

} // namespace

Launcher& Launcher::Current() {
    return seam.InstalledOr([] { return SpawnLauncher(); });
}

void Launcher::Set(Launcher* launcher) {
    seam.Set(launcher);
}

} // namespace platform
