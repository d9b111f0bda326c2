#include "RunFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "DescriptorIo.h"
#include "platform/Device.h"

namespace platform {

namespace {

bool IsOwnFolder(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

std::optional<std::string> RunFiles::Folder(const std::string& name) {
    const std::string run = Device::RunDirectory();
    if (!IsOwnFolder(run)) {
        return std::nullopt;
    }
    if (name.empty()) {
        return run;
    }
    const std::string folder = run + "/" + name;
    mkdir(folder.c_str(), 0755);
    return IsOwnFolder(folder) ? std::optional(folder) : std::nullopt;
}

int RunFiles::Open(const std::string& path, int flags) {
    const int fd = open(path.c_str(), flags | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return -1;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

std::optional<std::string> RunFiles::Read(const std::string& path, std::size_t limit) {
    const int fd = Open(path, O_RDONLY);
    if (fd < 0) {
        return std::nullopt;
    }
    // Files of /proc tell no size, so the bound is kept while reading.
    std::string content;
    char buffer[4096];
    ssize_t got = 0;
    while (content.size() <= limit && (got = read(fd, buffer, sizeof buffer)) > 0) {
        content.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    if (got < 0 || content.size() > limit) {
        return std::nullopt;
    }
    return content;
}

bool RunFiles::Write(const std::string& path, const std::string& content) {
    const std::string partial = path + "." + std::to_string(getpid()) + ".new";
    // One left by an ended process with this identifier, or put in the way, goes first.
    unlink(partial.c_str());
    const int fd = Open(partial, O_WRONLY | O_CREAT | O_EXCL);
    if (fd < 0) {
        return false;
    }
    const bool written = WriteAll(fd, content);
    close(fd);
    if (!written || rename(partial.c_str(), path.c_str()) != 0) {
        unlink(partial.c_str());
        return false;
    }
    return true;
}

bool RunFiles::IsSocket(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}

} // namespace platform
