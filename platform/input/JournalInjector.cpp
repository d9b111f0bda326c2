#include "JournalInjector.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

#include "RunFiles.h"
#include "platform/Device.h"
#include "platform/clock.h"

namespace platform {

std::unique_ptr<JournalInjector> JournalInjector::Open(const std::string& path,
                                                       std::string& error) {
    if (path == "-") {
        return std::unique_ptr<JournalInjector>(new JournalInjector(STDOUT_FILENO, false));
    }
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(parent, ignored);
    }
    // Opened without waiting, so that a FIFO nobody reads never holds the program up. The
    // device's own journal is a regular file of the device, never one a link leads to.
    const int fd =
        path == Device::RunDirectory() + "/input.log"
            ? RunFiles::Open(path, O_WRONLY | O_CREAT | O_APPEND)
            : open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        error = "cannot open the input journal " + path + ": " +
                (errno == EINVAL ? "not a regular file" : std::strerror(errno));
        return nullptr;
    }
    // Written to as any file once open: a reader that falls behind is waited for.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return std::unique_ptr<JournalInjector>(new JournalInjector(fd, true));
}

JournalInjector::JournalInjector(int fd) : JournalInjector(fd, false) {}

JournalInjector::JournalInjector(int fd, bool owned) : fd(fd), owned(owned) {}

JournalInjector::~JournalInjector() {
    if (owned) {
        close(fd);
    }
}

void JournalInjector::Mouse(DWORD flags, LONG dx, LONG dy) {
    Append(MouseLine(flags, dx, dy, Clock::Current().MonotonicMicros()));
}

void JournalInjector::Key(BYTE vk, DWORD flags) {
    Append(KeyLine(vk, flags, Clock::Current().MonotonicMicros()));
}

std::string JournalInjector::MouseLine(DWORD flags, LONG dx, LONG dy, std::int64_t micros) {
    char line[96];
    const int length = std::snprintf(line, sizeof line,
                                     "mouse_event flags=0x%" PRIx32 " dx=%" PRId32 " dy=%" PRId32
                                     " t_us=%" PRId64 "\n",
                                     flags, dx, dy, micros);
    return std::string(line, static_cast<std::size_t>(length));
}

std::string JournalInjector::KeyLine(BYTE vk, DWORD flags, std::int64_t micros) {
    char line[80];
    const int length = std::snprintf(line, sizeof line,
                                     "keybd_event vk=0x%x flags=0x%" PRIx32 " t_us=%" PRId64 "\n",
                                     static_cast<unsigned>(vk), flags, micros);
    return std::string(line, static_cast<std::size_t>(length));
}

// One write(2) per line on an O_APPEND descriptor: several processes sharing one journal
// never interleave inside a line, and the line is in the file before the call returns.
void JournalInjector::Append(const std::string& line) {
    ssize_t written;
    do {
        written = write(fd, line.data(), line.size());
    } while (written < 0 && errno == EINTR);
}

} // namespace platform
