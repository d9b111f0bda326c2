#include "XvfbServer.h"

#include <X11/Xlib.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

bool Exited(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
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

XvfbServer::~XvfbServer() {
    Stop();
}

bool XvfbServer::Installed() {
    return !FindProgram("Xvfb").empty();
}

bool XvfbServer::Start(const std::string& program, int number, int width, int height,
                       std::chrono::steady_clock::time_point deadline) {
    const std::string display = ":" + std::to_string(number);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const pid_t child = fork();
    if (child < 0) {
        error = "cannot start Xvfb";
        return false;
    }
    if (child == 0) {
        // The server dies with the test, even when the test is killed by its watchdog.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int quiet = open("/dev/null", O_RDWR);
        dup2(quiet, STDIN_FILENO);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        // -noreset: the server would otherwise reset, and refuse connections for a moment,
        // whenever its last client leaves, such as the probe below.
        execl(program.c_str(), "Xvfb", display.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
              "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    while (Clock::now() < deadline) {
        if (Exited(child)) {
            error = "Xvfb " + display + " exited at start";
            return false;
        }
        if (::Display* connection = XOpenDisplay(display.c_str())) {
            XCloseDisplay(connection);
            if (LockHeldBy(number, child)) {
                pid = child;
                name = display;
                error.clear();
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    error = "Xvfb " + display + " timed out before accepting connections";
    return false;
}

// Ends the server politely, then for certain when it does not go within five seconds.
void XvfbServer::Stop() {
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (!Exited(pid)) {
        if (Clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid = -1;
}
