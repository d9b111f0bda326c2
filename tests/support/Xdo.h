// xdotool on this process's display (DISPLAY), with the words of the command as its arguments;
// whether it succeeded. Needs no test framework.
#pragma once

#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "ChildProcess.h"

inline bool Xdo(const std::string& command) {
    std::vector<std::string> arguments{"xdotool"};
    std::istringstream words(command);
    arguments.insert(arguments.end(), std::istream_iterator<std::string>(words), {});
    return RunTool(arguments).exitCode == 0;
}
