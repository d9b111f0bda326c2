#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "DescriptorIo.h"
#include "FileName.h"
#include "HostError.h"
#include "PathResolver.h"
#include "platform/files.h"

namespace {

using platform::HostError;
using platform::PathResolver;
using platform::ReadAll;
using platform::WriteAll;

// A file being written: "." and twelve hex digits, then ".part". Hidden, and never ending in an
// extension the system looks for.
const std::string partPrefix = ".new-";
const std::string partSuffix = ".part";
constexpr std::size_t partDigits = 12;

bool IsPartName(const std::string& name) {
    return name.size() == partPrefix.size() + partDigits + partSuffix.size() &&
           name.starts_with(partPrefix) && name.ends_with(partSuffix);
}

// A descriptor closed when it goes out of scope.
class Descriptor {
  public:
    explicit Descriptor(int value) : value(value) {}
    ~Descriptor() {
        if (value >= 0) {
            ::close(value);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int value;
};

// The writer of a part file holds a lock on it until the file has its name, and a killed
// writer's lock goes with it: a part file that can be locked is abandoned.
void RemoveAbandonedParts(const std::string& folder) {
    DIR* entries = ::opendir(folder.c_str());
    if (!entries) {
        return;
    }
    while (const dirent* entry = ::readdir(entries)) {
        const std::string name = entry->d_name;
        if (!IsPartName(name)) {
            continue;
        }
        const Descriptor part(::openat(::dirfd(entries), name.c_str(),
                                       O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat status;
        if (part.value >= 0 && ::fstat(part.value, &status) == 0 && S_ISREG(status.st_mode) &&
            ::flock(part.value, LOCK_EX | LOCK_NB) == 0) {
            ::unlinkat(::dirfd(entries), name.c_str(), 0);
        }
    }
    ::closedir(entries);
}

// Creates and locks a new part file in the folder; its name in partName. -1 with errno set.
int CreatePart(const std::string& folder, std::string& partName) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    for (int attempt = 0; attempt < 100; ++attempt) {
        partName = partPrefix;
        std::uint64_t bits = random();
        for (std::size_t i = 0; i < partDigits; ++i, bits >>= 4) {
            partName += digits[bits & 0xF];
        }
        partName += partSuffix;
        const int descriptor =
            ::open((folder + "/" + partName).c_str(),
                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
        if (descriptor < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return -1;
        }
        // Another save may have taken the file for abandoned between its making and the lock;
        // then it has no name left and another is made.
        struct stat status;
        if (::flock(descriptor, LOCK_EX) == 0 && ::fstat(descriptor, &status) == 0 &&
            status.st_nlink > 0) {
            return descriptor;
        }
        ::close(descriptor);
    }
    errno = EEXIST;
    return -1;
}

// Gives the part file the name; never replaces an entry, a link included, and never follows one.
bool PlacePart(const std::string& part, const std::string& target) {
    if (::renameat2(AT_FDCWD, part.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // A file system without that rename: a second name, which link refuses when it is taken.
    if (::link(part.c_str(), target.c_str()) != 0) {
        return false;
    }
    ::unlink(part.c_str());
    return true;
}

} // namespace

namespace platform {

std::optional<std::string> ReadRegularFile(const std::wstring& devicePath,
                                           std::size_t maximumSize) {
    const std::optional<std::string> hostPath = PathResolver::Resolve(devicePath);
    if (!hostPath) {
        return std::nullopt;
    }
    // Looked at before it is opened, so that no device is ever opened; the descriptor is then
    // checked to be that same file.
    struct stat named;
    if (::lstat(hostPath->c_str(), &named) != 0) {
        HostError::Set(errno, *hostPath);
        return std::nullopt;
    }
    if (!S_ISREG(named.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return std::nullopt;
    }
    const Descriptor file(
        ::open(hostPath->c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.value < 0) {
        HostError::Set(errno == ELOOP ? EACCES : errno, *hostPath);
        return std::nullopt;
    }
    struct stat opened;
    if (::fstat(file.value, &opened) != 0 || !S_ISREG(opened.st_mode) ||
        opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) {
        SetLastError(ERROR_ACCESS_DENIED);
        return std::nullopt;
    }
    if (static_cast<std::uint64_t>(opened.st_size) > maximumSize) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return std::nullopt;
    }
    // The size read is bounded too: the file may grow while it is read.
    std::string text(static_cast<std::size_t>(opened.st_size) + 1, '\0');
    std::size_t done = 0;
    for (;;) {
        std::size_t read = 0;
        if (!ReadAll(file.value, text.data() + done, text.size() - done, read)) {
            HostError::Set(errno, *hostPath);
            return std::nullopt;
        }
        done += read;
        if (done < text.size()) {
            break;
        }
        if (text.size() > maximumSize) {
            SetLastError(ERROR_FILE_TOO_LARGE);
            return std::nullopt;
        }
        text.resize(std::min(text.size() * 2, maximumSize + 1));
    }
    text.resize(done);
    return text;
}

bool CreateWholeFile(const std::wstring& devicePath, const std::string& text) {
    std::optional<PathResolver::Components> components = PathResolver::Split(devicePath);
    if (!components) {
        return false;
    }
    if (components->empty()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // The target is the existing entry that equals the name without regard to case, if any.
    const std::optional<std::string> target = PathResolver::Resolve(*components);
    components->pop_back();
    const std::optional<std::string> folder = PathResolver::Resolve(*components);
    if (!target || !folder) {
        return false;
    }
    struct stat status;
    if (::stat(folder->c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (::lstat(target->c_str(), &status) == 0) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    RemoveAbandonedParts(*folder);

    std::string partName;
    const Descriptor part(CreatePart(*folder, partName));
    if (part.value < 0) {
        HostError::Set(errno, *target);
        return false;
    }
    const std::string partPath = *folder + "/" + partName;
    if (!WriteAll(part.value, text) || ::fsync(part.value) != 0 || !PlacePart(partPath, *target)) {
        const int error = errno;
        ::unlink(partPath.c_str());
        HostError::Set(error, *target);
        return false;
    }
    // The new name reaches the disk with the folder. The file is in place whatever this says:
    // failing now would have the caller write it a second time.
    const Descriptor directory(::open(folder->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.value >= 0) {
        ::fsync(directory.value);
    }
    return true;
}

} // namespace platform
