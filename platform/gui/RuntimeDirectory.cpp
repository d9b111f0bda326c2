// A session started by a login manager has a runtime directory; a program run as root from a
// terminal, over ssh or from a service often has none, and Qt complains on every start and
// falls back to a directory of its own choosing. The process gets one of its own instead.
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/gui.h"

namespace {

// A directory that is really ours and private: not a link, owned by us, mode 0700.
bool Private(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == getuid() && (status.st_mode & 0777) == 0700;
}

} // namespace

void platform::ProvideRuntimeDirectory() {
    if (const char* existing = std::getenv("XDG_RUNTIME_DIR"); existing && *existing) {
        return;
    }
    // One directory per user, shared by the device's programs; mkdir never follows a link
    // someone else put there, and what is not ours and private is not used (Qt then picks its
    // own, as before).
    const std::string path = "/tmp/tapweave-runtime-" + std::to_string(getuid());
    mkdir(path.c_str(), 0700);
    if (Private(path)) {
        setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
    }
}
