// Writing a whole text to a file descriptor, as the device's file writers do.
#pragma once

#include <string>

namespace platform {

// Writes all of the text, going on after an interrupted or partial write; false (errno set, to
// ENOSPC when the file takes nothing more) when it cannot.
bool WriteAll(int descriptor, const std::string& text);

} // namespace platform
