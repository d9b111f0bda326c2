// Reads the numbers of a macro line's parameter text by the rules of the standard library's
// formatted input (sscanf "%d", stream extraction of a double), without their per-call set-up:
// a macro of a million lines has to load in well under a second.
#pragma once

#include <string>

class NumberScanner {
  public:
    // As sscanf(text, "%d %d", &first, &second) == 2: white space before each number is skipped,
    // each may carry a sign, a number too large for a long saturates as strtol does and is then
    // narrowed to int; anything after the second number is ignored.
    static bool ReadPair(const std::string& text, int& first, int& second);
    // As std::istringstream(text) >> value leaving the stream good: white space skipped, then
    // sign, digits, decimal point and exponent; no "inf", "nan" or hexadecimal; a value out of
    // range fails.
    static bool ReadDouble(const std::string& text, double& value);
};
