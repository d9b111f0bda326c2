// A touch script read line by line: "<ms after TouchPanelEnable> <down|up|invalid> <x> <y>",
// with "#" starting a comment and blank lines ignored. A line that is not of this form is
// skipped with one message on standard error naming it, and reading goes on.
#pragma once

#include <string>
#include <string_view>

#include "StopSignal.h"
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

    // The next sample; false at the end of the script, or when stop is raised while the script
    // (a pipe on standard input) has no more to read yet.
    bool Next(ScriptSample& out, const StopSignal* stop = nullptr);

    // One line: true with the sample; false for a line without one, with problem empty for a
    // blank or comment line and saying what is wrong otherwise.
    static bool ParseLine(std::string_view line, ScriptSample& out, std::string& problem);

  private:
    // Reads more of the script into pending; false at its end or on stop.
    bool Fill(const StopSignal* stop);

    int descriptor = -1;
    bool ownsDescriptor = false;
    bool ended = false;
    // Within a line too long to be a sample.
    bool skipping = false;
    std::string name;
    long lineNumber = 0;
    std::string pending;
    std::size_t lineStart = 0;
};
