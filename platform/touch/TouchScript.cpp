#include "TouchScript.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// About 30 years: later times are typing mistakes, and would overflow the deadline arithmetic.
constexpr long long longestTime = 1000000000000LL;

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
        file = stdin;
        return true;
    }
    file = std::fopen(path.c_str(), "r");
    if (!file) {
        error = "cannot open the touch script " + path + ": " + std::strerror(errno);
        return false;
    }
    ownsFile = true;
    return true;
}

TouchScript::~TouchScript() {
    if (ownsFile) {
        std::fclose(file);
    }
    std::free(buffer);
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

bool TouchScript::Next(ScriptSample& out) {
    if (!file) {
        return false;
    }
    ssize_t length = 0;
    while ((length = getline(&buffer, &capacity, file)) >= 0) {
        ++lineNumber;
        std::string problem;
        if (ParseLine(std::string_view(buffer, static_cast<std::size_t>(length)), out, problem)) {
            return true;
        }
        if (!problem.empty()) {
            std::fprintf(stderr, "touch script %s, line %ld skipped: %s\n", name.c_str(),
                         lineNumber, problem.c_str());
        }
    }
    return false;
}
