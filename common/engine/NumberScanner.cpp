#include "NumberScanner.h"

#include <climits>
#include <cstring>
#include <ios>
#include <locale>

namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool ReadInt(const char*& p, const char* end, int& out) {
    while (p != end && IsSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || !IsDigit(*p)) {
        return false;
    }
    // Past the range of long the magnitude stays at the limit, as strtol's result does.
    const unsigned long long limit =
        negative ? static_cast<unsigned long long>(LONG_MAX) + 1 : LONG_MAX;
    unsigned long long magnitude = 0;
    for (; p != end && IsDigit(*p); ++p) {
        const unsigned digit = static_cast<unsigned>(*p - '0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    const long value = negative ? static_cast<long>(0 - magnitude) : static_cast<long>(magnitude);
    out = static_cast<int>(value);
    return true;
}

// The number parser of the classic locale's streams, on a plain character range.
class RangeNumberReader : public std::num_get<char, const char*> {
  public:
    RangeNumberReader() : std::num_get<char, const char*>(1) {}
    ~RangeNumberReader() override = default;
};

} // namespace

bool NumberScanner::ReadPair(const std::string& text, int& first, int& second) {
    // sscanf sees the text only up to its first NUL.
    const char* p = text.c_str();
    const char* end = p + std::strlen(p);
    int a = 0;
    int b = 0;
    if (!ReadInt(p, end, a) || !ReadInt(p, end, b)) {
        return false;
    }
    first = a;
    second = b;
    return true;
}

bool NumberScanner::ReadDouble(const std::string& text, double& value) {
    static const RangeNumberReader reader;
    thread_local std::ios format(nullptr);
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end && IsSpace(*p)) {
        ++p;
    }
    if (p == end) {
        return false;
    }
    std::ios_base::iostate state = std::ios_base::goodbit;
    double read = 0;
    reader.get(p, end, format, state, read);
    if (state & std::ios_base::failbit) {
        return false;
    }
    value = read;
    return true;
}
