// A private X server for one test or benchmark: Xvfb on a free display number, ready to take
// connections when the constructor returns, ended by the destructor; and programs on it. Needs
// no test framework.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"

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

    bool Running() const { return server.has_value(); }
    // The display name, ":N", for DISPLAY.
    const std::string& Name() const { return name; }
    // Why the server is not running.
    const std::string& Error() const { return error; }

    // Programs on this display, for tests that never connect to it themselves (an X connection
    // of the test process would end it when the server goes away): started, or run to their end.
    ChildProcess StartProgram(const std::vector<std::string>& command) const;
    ToolRun RunProgram(const std::vector<std::string>& command) const;
    // The whole screen saved as an image file; whether that worked.
    bool Screenshot(const std::string& path) const;

  private:
    bool Start(const std::string& program, int number, int width, int height,
               std::chrono::steady_clock::time_point deadline);

    std::optional<ChildProcess> server;
    std::string name;
    std::string error;
};
