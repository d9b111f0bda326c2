// A touch script read line by line: "<ms after TouchPanelEnable> <down|up|invalid> <x> <y>",
// with "#" starting a comment and blank lines ignored. A line that is not of this form is
// skipped with one message on standard error naming it, and reading goes on.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "TouchSample.h"

struct ScriptSample {
    long long milliseconds;
    TouchSample sample;
};

class TouchScript {
  public:
    // "-" reads standard input. Open fails (false, with the reason in error) for a file that
    // cannot be opened.
    bool Open(const std::string& path, std::string& error);
    ~TouchScript();

    // The next sample; false at the end of the script.
    bool Next(ScriptSample& out);

    // One line: true with the sample; false for a line without one, with problem empty for a
    // blank or comment line and saying what is wrong otherwise.
    static bool ParseLine(std::string_view line, ScriptSample& out, std::string& problem);

  private:
    std::FILE* file = nullptr;
    bool ownsFile = false;
    std::string name;
    long lineNumber = 0;
    char* buffer = nullptr;
    std::size_t capacity = 0;
};
