// Programs started on a private X display by tests that never connect to it themselves (an X
// connection of the test process would end it when the server goes away).
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Starts the program (arguments[0]) with DISPLAY set to the given display; -1 when it cannot.
pid_t SpawnOnDisplay(const std::vector<std::string>& arguments, const std::string& display);

// The program's exit code; -1 when it did not end within 30 s (it is then killed) or was
// ended by a signal.
int ExitCode(pid_t pid);
