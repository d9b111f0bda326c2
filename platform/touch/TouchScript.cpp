#include "TouchScript.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace {

// About 30 years: later times are typing mistakes, and would overflow the deadline arithmetic.
constexpr long long longestTime = 1000000000000LL;
// Longer lines are no samples, and are not kept in memory while they are read.
constexpr std::size_t longestLine = 1024;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsSpace(text[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && !IsSpace(text[at])) {
            ++at;
        }
        if (at > start) {
            words.push_back(text.substr(start, at - start));
        }
    }
    return words;
}

// A number in decimal, with a sign of either kind.
template <typename Number> bool ReadNumber(std::string_view word, Number& out) {
    if (word.size() > 1 && word[0] == '+' && word[1] != '-') {
        word.remove_prefix(1);
    }
    const char* end = word.data() + word.size();
    const auto [last, error] = std::from_chars(word.data(), end, out);
    return error == std::errc() && last == end;
}

} // namespace

bool TouchScript::Open(const std::string& path, std::string& error) {
    name = path;
    if (path == "-") {
        descriptor = STDIN_FILENO;
        return true;
    }
    descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        error = "cannot open the touch script " + path + ": " + std::strerror(errno);
        return false;
    }
    ownsDescriptor = true;
    return true;
}

TouchScript::~TouchScript() {
    if (ownsDescriptor) {
        close(descriptor);
    }
}

bool TouchScript::ParseLine(std::string_view line, ScriptSample& out, std::string& problem) {
    problem.clear();
    if (const std::size_t comment = line.find('#'); comment != std::string_view::npos) {
        line = line.substr(0, comment);
    }
    const std::vector<std::string_view> words = Words(line);
    if (words.empty()) {
        return false;
    }
    if (words.size() != 4) {
        problem = "expected <ms> <down|up|invalid> <x> <y>";
        return false;
    }
    long long milliseconds = 0;
    if (!ReadNumber(words[0], milliseconds) || milliseconds < 0 || milliseconds > longestTime) {
        problem = "the time is not a number of milliseconds";
        return false;
    }
    TOUCH_PANEL_SAMPLE_FLAGS flags = 0;
    if (words[1] == "down") {
        flags = TouchSampleValidFlag | TouchSampleDownFlag;
    } else if (words[1] == "up") {
        flags = TouchSampleValidFlag;
    } else if (words[1] != "invalid") {
        problem = "the kind is not down, up or invalid";
        return false;
    }
    int x = 0;
    int y = 0;
    if (!ReadNumber(words[2], x) || !ReadNumber(words[3], y)) {
        problem = "the position is not two whole numbers";
        return false;
    }
    out = ScriptSample{milliseconds, TouchSample{flags, x, y}};
    return true;
}

bool TouchScript::Fill(const StopSignal* stop) {
    if (ended || descriptor < 0) {
        return false;
    }
    pending.erase(0, lineStart);
    lineStart = 0;
    for (;;) {
        if (stop) {
            pollfd waits[2] = {{descriptor, POLLIN, 0}, {stop->Descriptor(), POLLIN, 0}};
            if (poll(waits, 2, -1) < 0 && errno != EINTR) {
                return false;
            }
            if (waits[1].revents) {
                return false;
            }
        }
        char chunk[65536];
        const ssize_t count = read(descriptor, chunk, sizeof chunk);
        if (count > 0) {
            pending.append(chunk, static_cast<std::size_t>(count));
            return true;
        }
        if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
            ended = true;
            return false;
        }
    }
}

bool TouchScript::Next(ScriptSample& out, const StopSignal* stop) {
    for (;;) {
        std::size_t lineEnd = pending.find('\n', lineStart);
        while (lineEnd == std::string::npos) {
            if (pending.size() - lineStart > longestLine) {
                // No sample is this long: the rest of the line is dropped as it comes.
                if (!skipping) {
                    ++lineNumber;
                    std::fprintf(stderr, "touch script %s, line %ld skipped: too long\n",
                                 name.c_str(), lineNumber);
                }
                skipping = true;
                lineStart = pending.size();
            }
            const std::size_t scanned = pending.size() - lineStart;
            if (!Fill(stop)) {
                if (stop && stop->Raised()) {
                    return false;
                }
                break;
            }
            lineEnd = pending.find('\n', lineStart + scanned);
        }
        if (lineEnd == std::string::npos && lineStart == pending.size()) {
            return false;
        }
        if (skipping) {
            skipping = false;
            lineStart = lineEnd == std::string::npos ? pending.size() : lineEnd + 1;
            continue;
        }
        // A last line without a line feed is a line all the same.
        const std::size_t end = lineEnd == std::string::npos ? pending.size() : lineEnd;
        const std::string_view line(pending.data() + lineStart, end - lineStart);
        lineStart = lineEnd == std::string::npos ? pending.size() : lineEnd + 1;
        ++lineNumber;
        std::string problem;
        if (ParseLine(line, out, problem)) {
            return true;
        }
        if (!problem.empty()) {
            std::fprintf(stderr, "touch script %s, line %ld skipped: %s\n", name.c_str(),
                         lineNumber, problem.c_str());
        }
    }
}
