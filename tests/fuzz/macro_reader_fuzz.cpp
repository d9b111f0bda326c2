// Feeds arbitrary bytes to the macro reader as a macro file. Besides not crashing: no line gives
// more than one step, every step is written back as at most one line and no written line holds
// a carriage return, and the numbers of every line are read exactly as sscanf and stream
// extraction would read them.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <sstream>
#include <string>

#include "MacroFile.h"
#include "NumberScanner.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "macro reader: %s\n", what);
        std::abort();
    }
}

void CheckNumbers(const std::string& params) {
    int x = 0;
    int y = 0;
    int a = 0;
    int b = 0;
    const bool scanned = std::sscanf(params.c_str(), "%d %d", &x, &y) == 2;
    Require(NumberScanner::ReadPair(params, a, b) == scanned, "pair accepted differently");
    Require(!scanned || (a == x && b == y), "pair read differently");

    std::istringstream in(params);
    double streamed = 0;
    in >> streamed;
    double value = 0;
    Require(NumberScanner::ReadDouble(params, value) == !in.fail(), "number accepted differently");
    Require(in.fail() || value == streamed, "number read differently");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::list<ActionPtr> steps;
    MacroFile::Read(text, steps);

    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) +
                       (!text.empty() && text.back() != '\n' ? 1 : 0);
    Require(steps.size() <= lines, "more steps than lines");

    std::ostringstream out;
    MacroFile::Write(out, {steps.begin(), steps.end()});
    const std::string written = out.str();
    Require(static_cast<std::size_t>(std::count(written.begin(), written.end(), '\n')) <=
                steps.size(),
            "a step written as more than one line");
    Require(written.find('\r') == std::string::npos, "a carriage return written");

    std::istringstream lineReader(text);
    std::string line;
    while (std::getline(lineReader, line)) {
        const std::size_t space = line.find(' ');
        CheckNumbers(space == std::string::npos ? line : line.substr(space + 1));
    }
    return 0;
}
