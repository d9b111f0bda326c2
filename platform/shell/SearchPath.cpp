// Finding a host program as a shell would.
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/shell.h"

namespace {

bool IsRunnable(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

} // namespace

std::optional<std::string> platform::FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return IsRunnable(name) ? std::optional(name) : std::nullopt;
    }
    const char* searchPath = std::getenv("PATH");
    const std::string folders = searchPath ? searchPath : "";
    for (std::size_t start = 0; start <= folders.size();) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) {
            end = folders.size();
        }
        const std::string folder = folders.substr(start, end - start);
        if (!folder.empty() && folder.front() == '/' && IsRunnable(folder + "/" + name)) {
            return folder + "/" + name;
        }
        start = end + 1;
    }
    return std::nullopt;
}
