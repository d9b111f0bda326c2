// A private X server for one test or benchmark: Xvfb on a free display number, ready to take
// connections when the constructor returns, ended by the destructor. Needs no test framework.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>

class XvfbServer {
  public:
    // Starts `Xvfb :N -screen 0 WIDTHxHEIGHTx24 -nolisten tcp`; waits at most timeoutMs for
    // it to accept connections. Running() says whether it did.
    XvfbServer(int width, int height, int timeoutMs = 10000);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Whether an Xvfb program is on the PATH.
    static bool Installed();

    bool Running() const { return pid > 0; }
    // The display name, ":N", for DISPLAY.
    const std::string& Name() const { return name; }
    // Why the server is not running.
    const std::string& Error() const { return error; }

  private:
    bool Start(const std::string& program, int number, int width, int height,
               std::chrono::steady_clock::time_point deadline);
    void Stop();

    pid_t pid = -1;
    std::string name;
    std::string error;
};
