#include "platform/WindowDirectory.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "FileName.h"
#include "ProcessTable.h"
#include "RunFiles.h"
#include "platform/Device.h"

namespace platform {

namespace {

constexpr std::uintptr_t firstHandle = 0x10000;
constexpr std::uintptr_t lastHandle = 0xFFFFFFFF;

// Empty when the folder is not the device's own (a link out of the device, say).
std::string Folder() {
    return RunFiles::Folder("windows").value_or(std::string());
}

std::string EntryPath(const std::string& folder, HWND hwnd) {
    char name[16];
    std::snprintf(name, sizeof name, "%08" PRIxPTR, reinterpret_cast<std::uintptr_t>(hwnd));
    return folder + "/" + name;
}

// Eight hex digits: an entry, not a file being written.
std::optional<HWND> HandleOfName(const char* name) {
    if (std::strlen(name) != 8 || std::strspn(name, "0123456789abcdef") != 8) {
        return std::nullopt;
    }
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::strtoull(name, nullptr, 16)));
}

std::string Escape(const std::wstring& text) {
    const std::string bytes = FileName::ToHost(text).value_or(std::string());
    std::string escaped;
    escaped.reserve(bytes.size());
    for (const char c : bytes) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\r':
            escaped += "\\r";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::wstring Unescape(const std::string& escaped) {
    std::string bytes;
    bytes.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '\\' || i + 1 == escaped.size()) {
            bytes += escaped[i];
            continue;
        }
        const char next = escaped[++i];
        bytes += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return FileName::FromHost(bytes).value_or(std::wstring());
}

std::optional<WindowDirectory::Entry> Parse(HWND hwnd, const std::string& content) {
    std::istringstream in(content);
    std::string header, className, title;
    if (!std::getline(in, header) || !std::getline(in, className) || !std::getline(in, title)) {
        return std::nullopt;
    }
    WindowDirectory::Entry entry;
    entry.hwnd = hwnd;
    int visible = 0;
    long left, top, right, bottom;
    if (std::sscanf(header.c_str(), "%u %llu %u %d %ld %ld %ld %ld %llu", &entry.processId,
                    &entry.startTime, &entry.threadId, &visible, &left, &top, &right, &bottom,
                    &entry.raised) != 9) {
        return std::nullopt;
    }
    entry.visible = visible != 0;
    entry.rect = {static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right),
                  static_cast<LONG>(bottom)};
    entry.className = Unescape(className);
    entry.title = Unescape(title);
    return entry;
}

// The entry of a running process; a dead process's entry is removed.
// Anything but a regular file under an entry's name is not an entry, and is left alone.
std::optional<WindowDirectory::Entry> Load(const std::string& folder, HWND hwnd) {
    if (folder.empty()) {
        return std::nullopt;
    }
    const std::string path = EntryPath(folder, hwnd);
    const std::optional<std::string> content = RunFiles::Read(path);
    if (!content) {
        return std::nullopt;
    }
    std::optional<WindowDirectory::Entry> entry = Parse(hwnd, *content);
    if (!entry || !WindowDirectory::ProcessRunning(entry->processId, entry->startTime)) {
        unlink(path.c_str());
        return std::nullopt;
    }
    return entry;
}

// The counter is held for a moment at a time; one a process keeps (stopped while holding it,
// say) costs a new window a second, then the window is not made.
bool LockBriefly(int fd) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return true;
        }
        if (errno != EWOULDBLOCK) {
            return false;
        }
        usleep(1000);
    }
    return false;
}

} // namespace

HWND WindowDirectory::NewHandle() {
    if (!Device::Initialise()) {
        return nullptr;
    }
    const std::optional<std::string> run = RunFiles::Folder();
    const int fd = run ? RunFiles::Open(*run + "/window-counter", O_RDWR | O_CREAT) : -1;
    if (fd < 0) {
        return nullptr;
    }
    std::uintptr_t value = 0;
    if (LockBriefly(fd)) {
        char text[32] = {};
        const ssize_t got = pread(fd, text, sizeof text - 1, 0);
        const unsigned long long last = got > 0 ? std::strtoull(text, nullptr, 10) : 0;
        value = last < firstHandle || last >= lastHandle ? firstHandle : last + 1;
        const std::string next = std::to_string(value);
        if (ftruncate(fd, 0) != 0 ||
            pwrite(fd, next.data(), next.size(), 0) != static_cast<ssize_t>(next.size())) {
            value = 0;
        }
        flock(fd, LOCK_UN);
    }
    close(fd);
    return reinterpret_cast<HWND>(value);
}

unsigned long long WindowDirectory::Stamp() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<unsigned long long>(now.tv_sec) * 1000000000ULL +
           static_cast<unsigned long long>(now.tv_nsec);
}

void WindowDirectory::Put(const Entry& entry) {
    if (!Device::Initialise()) {
        return;
    }
    const std::string folder = Folder();
    if (folder.empty()) {
        return;
    }
    char header[256];
    std::snprintf(header, sizeof header, "%u %llu %u %d %ld %ld %ld %ld %llu\n", entry.processId,
                  OwnStartTime(), entry.threadId, entry.visible ? 1 : 0,
                  static_cast<long>(entry.rect.left), static_cast<long>(entry.rect.top),
                  static_cast<long>(entry.rect.right), static_cast<long>(entry.rect.bottom),
                  entry.raised);
    RunFiles::Write(EntryPath(folder, entry.hwnd),
                    header + Escape(entry.className) + "\n" + Escape(entry.title) + "\n");
}

void WindowDirectory::Remove(HWND hwnd) {
    if (const std::string folder = Folder(); !folder.empty()) {
        unlink(EntryPath(folder, hwnd).c_str());
    }
}

std::optional<WindowDirectory::Entry> WindowDirectory::Get(HWND hwnd) {
    const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
    if (value < firstHandle || value > lastHandle) {
        return std::nullopt;
    }
    return Load(Folder(), hwnd);
}

std::vector<WindowDirectory::Entry> WindowDirectory::List() {
    std::vector<Entry> entries;
    const std::string path = Folder();
    DIR* folder = path.empty() ? nullptr : opendir(path.c_str());
    if (!folder) {
        return entries;
    }
    while (const dirent* item = readdir(folder)) {
        if (const std::optional<HWND> hwnd = HandleOfName(item->d_name)) {
            if (std::optional<Entry> entry = Load(path, *hwnd)) {
                entries.push_back(std::move(*entry));
            }
        }
    }
    closedir(folder);
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.raised > b.raised; });
    return entries;
}

HWND WindowDirectory::Foreground() {
    const std::optional<std::string> run = RunFiles::Folder();
    const std::optional<std::string> content =
        run ? RunFiles::Read(*run + "/foreground-window", 64) : std::nullopt;
    if (!content) {
        return nullptr;
    }
    return reinterpret_cast<HWND>(
        static_cast<std::uintptr_t>(std::strtoull(content->c_str(), nullptr, 16)));
}

void WindowDirectory::SetForeground(HWND hwnd) {
    if (!Device::Initialise()) {
        return;
    }
    char text[24];
    std::snprintf(text, sizeof text, "%" PRIxPTR "\n", reinterpret_cast<std::uintptr_t>(hwnd));
    if (const std::optional<std::string> run = RunFiles::Folder()) {
        RunFiles::Write(*run + "/foreground-window", text);
    }
}

bool WindowDirectory::ProcessRunning(DWORD processId, unsigned long long startTime) {
    if (processId == static_cast<DWORD>(getpid())) {
        return startTime == OwnStartTime();
    }
    return processId != 0 && ProcessTable::StartTime(processId) == startTime;
}

unsigned long long WindowDirectory::OwnStartTime() {
    // Read anew after a fork: the child is another process.
    static thread_local DWORD cachedFor = 0;
    static thread_local unsigned long long cached = 0;
    const auto self = static_cast<DWORD>(getpid());
    if (cachedFor != self) {
        cached = ProcessTable::StartTime(self).value_or(0);
        cachedFor = self;
    }
    return cached;
}

} // namespace platform
