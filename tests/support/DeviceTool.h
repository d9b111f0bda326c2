// tapweave-device run to its end with the arguments, as a person runs it from a shell; its
// output and errors captured unless the options say otherwise.
#pragma once

#include <string>
#include <vector>

#include "ChildProcess.h"

ToolRun DeviceTool(const std::vector<std::string>& arguments,
                   const ChildProcess::Options& options = {});
