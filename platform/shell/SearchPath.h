// Finding a host program as a shell would.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The program a command names: a path as it is, a bare name found on the search path (an
// empty entry, which would stand for the current folder, is passed over, so that nothing runs a
// program that happens to lie there). Only a regular file that may be executed is a program.
std::optional<std::string> FindProgram(const std::string& name);

} // namespace platform
