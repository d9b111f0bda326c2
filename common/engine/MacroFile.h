// The text form of a macro: one step a line, the keyword, one space, the parameter text and a
// line feed. Files are also written by hand, so the reader is tolerant: lines without a space,
// with an unknown keyword or with parameters that do not parse are skipped.
#pragma once

#include <istream>
#include <list>
#include <ostream>
#include <vector>

#include "ActionPtr.h"

class MacroFile {
  public:
    // Appends a step for every usable line. Only the line feed ends a line (a carriage return
    // stays in the parameter text), and a last line without one is read like any other.
    static void Read(std::istream& in, std::list<ActionPtr>& steps);
    // Writes every step as its line, flushing after each one.
    static void Write(std::ostream& out, const std::vector<ActionPtr>& steps);
};
