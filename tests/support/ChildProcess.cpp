#include "ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string FindProgram(const std::string& program) {
    if (program.find('/') != std::string::npos) {
        return program;
    }
    const char* path = std::getenv("PATH");
    std::istringstream folders(path && *path ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return program;
}

std::vector<std::string> Variables(const ChildProcess::Environment& changes) {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable) {
        const std::string_view entry = *variable;
        const std::string_view name = entry.substr(0, entry.find('='));
        if (std::none_of(changes.begin(), changes.end(),
                         [&](const auto& change) { return change.first == name; })) {
            variables.emplace_back(entry);
        }
    }
    for (const auto& [name, value] : changes) {
        if (value) {
            variables.push_back(name + "=" + *value);
        }
    }
    return variables;
}

// The strings' characters, ended by a null pointer, as exec takes them.
std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers(strings.size() + 1, nullptr);
    std::transform(strings.begin(), strings.end(), pointers.begin(),
                   [](std::string& text) { return text.data(); });
    return pointers;
}

// In the child, before anything else: it ends with the thread that started it.
void DieWithParent(pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) {
        _exit(127);
    }
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments)
    : ChildProcess(arguments, Options{}) {}

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const Options& options) {
    Start(arguments, options);
}

ChildProcess::ChildProcess(const std::function<int()>& work) {
    const pid_t parent = getpid();
    pid = fork();
    if (pid == 0) {
        DieWithParent(parent);
        _exit(work());
    }
}

ChildProcess::~ChildProcess() {
    Kill();
    Close(input);
    Close(output.fd);
    Close(errors.fd);
}

void ChildProcess::Start(const std::vector<std::string>& arguments, const Options& options) {
    if (arguments.empty()) {
        return;
    }
    // Everything the child needs is made before it exists: between fork and exec only plain
    // system calls are safe in a process with threads.
    const std::string program = FindProgram(arguments[0]);
    std::vector<std::string> argumentCopies = arguments;
    if (!options.name.empty()) {
        argumentCopies[0] = options.name;
    }
    std::vector<char*> argv = Pointers(argumentCopies);
    std::vector<std::string> variables = Variables(options.environment);
    std::vector<char*> envp = Pointers(variables);

    int inputPipe[2] = {-1, -1};
    int outputPipe[2] = {-1, -1};
    int errorPipe[2] = {-1, -1};
    int execFailed[2] = {-1, -1};
    const int quiet = open("/dev/null", O_RDWR | O_CLOEXEC);
    if ((options.input && pipe2(inputPipe, O_CLOEXEC) != 0) ||
        (options.output == Stream::Capture && pipe2(outputPipe, O_CLOEXEC) != 0) ||
        (options.errors == Stream::Capture && !options.errorsToOutput &&
         pipe2(errorPipe, O_CLOEXEC) != 0) ||
        pipe2(execFailed, O_CLOEXEC) != 0) {
        for (int fd : {inputPipe[0], inputPipe[1], outputPipe[0], outputPipe[1], errorPipe[0],
                       errorPipe[1], execFailed[0], execFailed[1], quiet}) {
            Close(fd);
        }
        return;
    }
    const int childOutput = options.output == Stream::Capture   ? outputPipe[1]
                            : options.output == Stream::Discard ? quiet
                                                                : -1;
    const int childErrors = options.errorsToOutput              ? STDOUT_FILENO
                            : options.errors == Stream::Capture ? errorPipe[1]
                            : options.errors == Stream::Discard ? quiet
                                                                : -1;
    const pid_t parent = getpid();
    pid = fork();
    if (pid == 0) {
        DieWithParent(parent);
        if (options.newSession) {
            setsid();
        }
        if (inputPipe[0] >= 0) {
            dup2(inputPipe[0], STDIN_FILENO);
        }
        if (childOutput >= 0) {
            dup2(childOutput, STDOUT_FILENO);
        }
        if (childErrors >= 0) {
            dup2(childErrors, STDERR_FILENO);
        }
        execve(program.c_str(), argv.data(), envp.data());
        const int error = errno;
        [[maybe_unused]] const ssize_t written = write(execFailed[1], &error, sizeof error);
        _exit(127);
    }
    for (int fd : {inputPipe[0], outputPipe[1], errorPipe[1], execFailed[1], quiet}) {
        Close(fd);
    }
    input = inputPipe[1];
    output.fd = outputPipe[0];
    errors.fd = errorPipe[0];
    for (int fd : {output.fd, errors.fd}) {
        if (fd >= 0) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        }
    }
    // The exec either closes this pipe or writes why it failed into it.
    int error = 0;
    ssize_t got = 0;
    do {
        got = pid > 0 ? read(execFailed[0], &error, sizeof error) : 0;
    } while (got < 0 && errno == EINTR);
    Close(execFailed[0]);
    if (got > 0) {
        Reap(true);
        pid = -1;
    }
}

bool ChildProcess::Running() {
    return pid > 0 && !Reap(false);
}

std::optional<std::string> ChildProcess::WaitForLine(const std::string& prefix, Duration timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        for (; nextLine < lines.size(); ++nextLine) {
            if (lines[nextLine].rfind(prefix, 0) == 0) {
                return lines[nextLine++];
            }
        }
        const auto now = Clock::now();
        if (output.fd < 0 || now >= deadline) {
            return std::nullopt;
        }
        Read(std::min<Duration>(deadline - now, std::chrono::milliseconds(100)));
    }
}

std::vector<std::string>
ChildProcess::Said(std::initializer_list<std::string_view> prefixes) const {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (std::any_of(prefixes.begin(), prefixes.end(),
                        [&](std::string_view prefix) { return line.rfind(prefix, 0) == 0; })) {
            found.push_back(line);
        }
    }
    return found;
}

void ChildProcess::CloseInput() {
    Close(input);
}

std::optional<int> ChildProcess::WaitStatus(Duration timeout) {
    const auto deadline = Clock::now() + timeout;
    while (pid > 0 && !Reap(false)) {
        if (Clock::now() >= deadline) {
            return std::nullopt;
        }
        Read(std::chrono::milliseconds(10));
    }
    // What the child wrote before it ended is in the pipes; a program it started may hold them
    // open, so nothing waits for their end.
    Read(Duration::zero());
    return status;
}

int ChildProcess::ExitCode(Duration timeout) {
    if (!Started()) {
        return -1;
    }
    const std::optional<int> ended = WaitStatus(timeout);
    if (!ended) {
        Kill();
        return timedOut;
    }
    return WIFEXITED(*ended) ? WEXITSTATUS(*ended) : -1;
}

void ChildProcess::Terminate(Duration grace) {
    if (Running()) {
        kill(pid, SIGTERM);
        WaitStatus(grace);
    }
    Kill();
}

void ChildProcess::Kill() {
    if (Running()) {
        kill(pid, SIGKILL);
        Reap(true);
    }
}

bool ChildProcess::Reap(bool block) {
    if (status) {
        return true;
    }
    int wait = 0;
    pid_t got = 0;
    do {
        got = waitpid(pid, &wait, block ? 0 : WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == pid) {
        status = wait;
    }
    return status.has_value();
}

void ChildProcess::Read(Duration wait) {
    std::vector<pollfd> fds;
    for (const Pipe* pipe : {&output, &errors}) {
        if (pipe->fd >= 0) {
            fds.push_back({pipe->fd, POLLIN, 0});
        }
    }
    const int milliseconds =
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(wait).count());
    if (fds.empty()) {
        std::this_thread::sleep_for(wait);
        return;
    }
    if (poll(fds.data(), fds.size(), milliseconds) <= 0) {
        return;
    }
    for (Pipe* pipe : {&output, &errors}) {
        char buffer[4096];
        ssize_t got = 0;
        while (pipe->fd >= 0 && (got = read(pipe->fd, buffer, sizeof buffer)) != 0) {
            if (got < 0) {
                if (errno == EINTR) {
                    continue;
                }
                if (errno != EAGAIN) {
                    Close(pipe->fd);
                }
                break;
            }
            pipe->text.append(buffer, static_cast<std::size_t>(got));
        }
        if (got == 0) {
            Close(pipe->fd);
        }
    }
    for (std::size_t end; (end = output.text.find('\n', lineStart)) != std::string::npos;) {
        lines.push_back(output.text.substr(lineStart, end - lineStart));
        lineStart = end + 1;
    }
}

void ChildProcess::Close(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

ToolRun RunTool(const std::vector<std::string>& arguments, const ChildProcess::Options& options,
                ChildProcess::Duration timeout) {
    ChildProcess::Options captured = options;
    for (ChildProcess::Stream* stream : {&captured.output, &captured.errors}) {
        if (*stream == ChildProcess::Stream::Inherit) {
            *stream = ChildProcess::Stream::Capture;
        }
    }
    ChildProcess tool(arguments, captured);
    ToolRun run;
    run.exitCode = tool.ExitCode(timeout);
    run.output = tool.Output();
    run.errors = tool.Errors();
    return run;
}
