#include "DisplayProgram.h"

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

#include "WaitUntil.h"

extern char** environ;

pid_t SpawnOnDisplay(const std::vector<std::string>& arguments, const std::string& display) {
    std::vector<std::string> copies = arguments;
    std::vector<char*> argv;
    for (std::string& argument : copies) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> variables{"DISPLAY=" + display};
    for (char** variable = environ; *variable; ++variable) {
        variables.emplace_back(*variable);
    }
    std::vector<char*> envp;
    for (std::string& variable : variables) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);
    pid_t pid = -1;
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) == 0 ? pid : -1;
}

int ExitCode(pid_t pid) {
    int status = 0;
    if (!WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; })) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
