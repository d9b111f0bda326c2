// A program, or a copy of this one running a function, started by a test or a benchmark: with
// variables set or removed on top of this process's environment, its output read on request,
// every wait bounded, and killed when the object goes. It dies with the thread that started
// it, so a test ended by its watchdog leaves nothing behind. Needs no test framework.
#pragma once

#include <chrono>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

class ChildProcess {
  public:
    using Duration = std::chrono::steady_clock::duration;
    // Variables set (a value) or removed (nullopt) for the child only.
    using Environment = std::vector<std::pair<std::string, std::optional<std::string>>>;
    enum class Stream { Inherit, Capture, Discard };

    struct Options {
        Environment environment = {};
        Stream output = Stream::Inherit;
        Stream errors = Stream::Inherit;
        // Standard error goes where standard output goes.
        bool errorsToOutput = false;
        // Standard input is a pipe that stays open until CloseInput or the end.
        bool input = false;
        // A session of its own, as the device's shell starts programs.
        bool newSession = false;
        // The name the program is given as its first argument, when not its path.
        std::string name = {};
    };

    // What ExitCode gives for a child that did not end in time (it is then killed).
    static constexpr int timedOut = -2;

    // Starts arguments[0], found on the PATH when it has no slash, with the rest as its
    // arguments.
    explicit ChildProcess(const std::vector<std::string>& arguments);
    ChildProcess(const std::vector<std::string>& arguments, const Options& options);
    // Runs work in a copy of this process; its result is the exit code.
    explicit ChildProcess(const std::function<int()>& work);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Whether the program could be started.
    bool Started() const { return pid > 0; }
    pid_t Pid() const { return pid; }
    // Started and not ended yet.
    bool Running();

    // The next line of captured output that starts with the prefix (the lines before it are
    // passed over); nullopt when none comes within the timeout or the output ends.
    std::optional<std::string> WaitForLine(const std::string& prefix,
                                           Duration timeout = std::chrono::seconds(10));
    // Every line of output read so far that starts with one of the prefixes, passed over or not.
    std::vector<std::string> Said(std::initializer_list<std::string_view> prefixes) const;
    // The captured output and errors read so far.
    const std::string& Output() const { return output.text; }
    const std::string& Errors() const { return errors.text; }

    // Ends standard input, for a child that runs until it does.
    void CloseInput();
    // The wait status once the child has ended, within the timeout; nullopt while it runs on.
    // Captured output is read meanwhile, and to its end once the child has ended.
    std::optional<int> WaitStatus(Duration timeout);
    // The exit code once the child has ended; -1 when a signal ended it; timedOut (after
    // killing it) when it did not end within the timeout.
    int ExitCode(Duration timeout = std::chrono::seconds(30));
    // Asks the child to end (SIGTERM), and kills it when it has not within the grace time.
    void Terminate(Duration grace = std::chrono::seconds(5));
    // Kills the child and waits for it, if it runs.
    void Kill();

  private:
    struct Pipe {
        int fd = -1;
        std::string text;
    };

    void Start(const std::vector<std::string>& arguments, const Options& options);
    bool Reap(bool block);
    // Reads what the captured streams have, waiting at most the time for the first bytes.
    void Read(Duration wait);
    static void Close(int& fd);

    pid_t pid = -1;
    std::optional<int> status;
    int input = -1;
    Pipe output;
    Pipe errors;
    std::vector<std::string> lines;
    std::size_t nextLine = 0;
    std::size_t lineStart = 0;
};

// A program run to its end: its exit code (as ChildProcess::ExitCode) and what it wrote.
struct ToolRun {
    int exitCode = -1;
    std::string output;
    std::string errors;
};

// Runs the program (arguments[0]) with its output and errors captured unless the options say
// otherwise; killed when it has not ended within the timeout.
ToolRun RunTool(const std::vector<std::string>& arguments,
                const ChildProcess::Options& options = {},
                ChildProcess::Duration timeout = std::chrono::seconds(30));
