// The windows of the player that has the device layer built in. The toolkit's module is built on
// the shared device layer and would give this process a second one, so the process becomes the
// player built on the shared libraries, tapweave-player-gui beside this program's file, with the
// same arguments and environment: it reads the same command line and shows the window itself.
// The process keeps its identity on the device, since it keeps its process and its start time.
#include "PlayerWindows.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int BecomeWindowedPlayer() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::string windowed = (self.parent_path() / "tapweave-player-gui").string();
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::vector<char*> arguments;
    for (std::size_t start = 0; start < bytes.size();) {
        arguments.push_back(bytes.data() + start);
        start = bytes.find('\0', start);
        if (start == std::string::npos) {
            break;
        }
        ++start;
    }
    arguments.push_back(nullptr);
    execv(windowed.c_str(), arguments.data());
    std::fprintf(stderr, "tapweave-player: cannot show the window: %s: %s\n", windowed.c_str(),
                 std::strerror(errno));
    return 1;
}

} // namespace

int ShowLibraryWindow() {
    return BecomeWindowedPlayer();
}

int ShowAboutWindow() {
    return BecomeWindowedPlayer();
}
