// The text form of a macro: one step a line, the keyword, one space, the parameter text and a
// line feed. Files are also written by hand, so the reader is tolerant: lines without a space,
// with an unknown keyword or with parameters that do not parse are skipped.
#pragma once

#include <list>
#include <ostream>
#include <string_view>
#include <vector>

#include "ActionPtr.h"

class MacroFile {
  public:
    // Appends a step for every usable line. A line ends at its line feed, or at a carriage
    // return right before it (a file edited on another system), and a last line without a line
    // end is read like any other.
    static void Read(std::string_view text, std::list<ActionPtr>& steps);
    // Writes every step as its line, flushing after each one. A step whose keyword or
    // parameters hold a carriage return or a line feed is left out: split over lines it would
    // read back as other steps.
    static void Write(std::ostream& out, const std::vector<ActionPtr>& steps);
};
