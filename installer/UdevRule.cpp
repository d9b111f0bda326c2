#include "UdevRule.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Runs udevadm with the arguments; false after saying why when it cannot be run or fails.
bool Udevadm(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "udevadm");
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, "udevadm", nullptr, nullptr, argv.data(), environ);
    if (started != 0) {
        std::fprintf(stderr, "tapweave-install: cannot run udevadm: %s\n", std::strerror(started));
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "tapweave-install: udevadm %s failed\n", arguments[1].c_str());
        return false;
    }
    return true;
}

} // namespace

int UdevRule::Install(const std::string& productFolder, const std::string& folder) {
    namespace fs = std::filesystem;
    if (folder == systemFolder && geteuid() != 0) {
        std::fprintf(stderr,
                     "tapweave-install: the udev rule goes into %s, which only root may "
                     "change: sudo tapweave-install udev-rule\n",
                     systemFolder);
        return 1;
    }
    const fs::path source = fs::path(productFolder) / fileName;
    const fs::path target = fs::path(folder) / fileName;
    const fs::path partial = fs::path(folder) / (std::string(".") + fileName + ".new");
    std::error_code error;
    fs::copy_file(source, partial, fs::copy_options::overwrite_existing, error);
    if (!error) {
        fs::permissions(partial,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                            fs::perms::others_read,
                        error);
    }
    if (!error) {
        fs::rename(partial, target, error);
    }
    if (error) {
        std::error_code ignored;
        fs::remove(partial, ignored);
        std::fprintf(stderr, "tapweave-install: cannot put %s into %s: %s\n", source.c_str(),
                     folder.c_str(), error.message().c_str());
        return 1;
    }
    std::printf("The udev rule is in %s\n", target.c_str());
    // The rule is in place whatever udev does now; without udevadm it applies from the next
    // start of the machine.
    if (!Udevadm({"control", "--reload-rules"}) ||
        !Udevadm({"trigger", "--subsystem-match=misc", "--sysname-match=uinput"})) {
        std::fprintf(stderr, "tapweave-install: udev has not applied the rule yet; it does after "
                             "\"udevadm control --reload-rules && udevadm trigger "
                             "--sysname-match=uinput\" or at the next start of the machine\n");
        return 0;
    }
    std::printf("udev has applied it to /dev/uinput\n");
    return 0;
}
