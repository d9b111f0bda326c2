#include "DeviceTool.h"

ToolRun DeviceTool(const std::vector<std::string>& arguments,
                   const ChildProcess::Options& options) {
    std::vector<std::string> command{TAPWEAVE_BIN_DIR "/tapweave-device"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunTool(command, options);
}
