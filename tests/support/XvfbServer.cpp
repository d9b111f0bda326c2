#include "XvfbServer.h"

#include <X11/Xlib.h>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

std::string FindProgram(const char* program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path && *path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

bool DisplayTaken(int number) {
    struct stat info {};
    return stat(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), &info) == 0 ||
           stat(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), &info) == 0;
}

// The server writes its own process id into the display's lock file: a connection that
// succeeds belongs to our server only when that id is our child's.
bool LockHeldBy(int number, pid_t pid) {
    std::ifstream lock("/tmp/.X" + std::to_string(number) + "-lock");
    long holder = 0;
    return static_cast<bool>(lock >> holder) && holder == pid;
}

} // namespace

XvfbServer::XvfbServer(int width, int height, int timeoutMs) {
    const std::string program = FindProgram("Xvfb");
    if (program.empty()) {
        error = "Xvfb is not installed";
        return;
    }
    // Numbers spread by process id, so that test programs running side by side rarely try
    // the same one; a number another server holds is passed over.
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const int first = 100 + static_cast<int>(getpid() % 400);
    for (int number = first; number < first + 50 && Clock::now() < deadline; ++number) {
        if (!DisplayTaken(number) && Start(program, number, width, height, deadline)) {
            return;
        }
    }
    if (error.empty()) {
        error = "no free display number";
    }
}

// Ends the server politely, then for certain when it does not go within five seconds.
XvfbServer::~XvfbServer() {
    if (server) {
        server->Terminate();
    }
}

bool XvfbServer::Installed() {
    return !FindProgram("Xvfb").empty();
}

ChildProcess XvfbServer::StartProgram(const std::vector<std::string>& command) const {
    return ChildProcess(command, {.environment = {{"DISPLAY", name}}});
}

ToolRun XvfbServer::RunProgram(const std::vector<std::string>& command) const {
    return RunTool(command, {.environment = {{"DISPLAY", name}}});
}

bool XvfbServer::Screenshot(const std::string& path) const {
    return RunProgram({"import", "-window", "root", path}).exitCode == 0;
}

bool XvfbServer::Start(const std::string& program, int number, int width, int height,
                       std::chrono::steady_clock::time_point deadline) {
    const std::string display = ":" + std::to_string(number);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    // -noreset: the server would otherwise reset, and refuse connections for a moment,
    // whenever its last client leaves, such as the probe below.
    server.emplace(std::vector<std::string>{program, display, "-screen", "0", screen, "-nolisten",
                                            "tcp", "-noreset"},
                   ChildProcess::Options{.output = ChildProcess::Stream::Discard,
                                         .errors = ChildProcess::Stream::Discard,
                                         .name = "Xvfb"});
    if (!server->Started()) {
        server.reset();
        error = "cannot start Xvfb";
        return false;
    }
    while (Clock::now() < deadline) {
        if (!server->Running()) {
            server.reset();
            error = "Xvfb " + display + " exited at start";
            return false;
        }
        if (::Display* connection = XOpenDisplay(display.c_str())) {
            XCloseDisplay(connection);
            if (LockHeldBy(number, server->Pid())) {
                name = display;
                error.clear();
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    server.reset();
    error = "Xvfb " + display + " timed out before accepting connections";
    return false;
}
