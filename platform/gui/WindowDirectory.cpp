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
#include "platform/Device.h"

namespace platform {

namespace {

constexpr std::uintptr_t firstHandle = 0x10000;
constexpr std::uintptr_t lastHandle = 0xFFFFFFFF;

std::string Folder() {
    return Device::RunDirectory() + "/windows";
}

std::string EntryPath(HWND hwnd) {
    char name[16];
    std::snprintf(name, sizeof name, "%08" PRIxPTR, reinterpret_cast<std::uintptr_t>(hwnd));
    return Folder() + "/" + name;
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

std::optional<std::string> ReadSmallFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string content;
    char buffer[4096];
    ssize_t got;
    // Entries are small; a runaway file is not read past 64 KiB.
    while ((got = read(fd, buffer, sizeof buffer)) > 0 && content.size() < 65536) {
        content.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return content;
}

// Written aside and renamed, so that a reader never sees half a file.
bool WriteAtomically(const std::string& path, const std::string& content) {
    const std::string partial = path + "." + std::to_string(getpid()) + ".new";
    const int fd = open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool written =
        write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    close(fd);
    if (!written || rename(partial.c_str(), path.c_str()) != 0) {
        unlink(partial.c_str());
        return false;
    }
    return true;
}

std::optional<unsigned long long> StartTimeOf(DWORD processId) {
    const std::optional<std::string> stat =
        ReadSmallFile("/proc/" + std::to_string(processId) + "/stat");
    if (!stat) {
        return std::nullopt;
    }
    // Field 22; the command name before it may hold spaces and parentheses.
    const std::size_t end = stat->rfind(')');
    if (end == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(stat->substr(end + 1));
    std::string field;
    for (int index = 3; index < 22 && fields >> field; ++index) {
    }
    unsigned long long startTime = 0;
    return fields >> startTime ? std::optional(startTime) : std::nullopt;
}

struct Parsed {
    WindowDirectory::Entry entry;
    unsigned long long startTime = 0;
};

std::optional<Parsed> Parse(HWND hwnd, const std::string& content) {
    std::istringstream in(content);
    std::string header, className, title;
    if (!std::getline(in, header) || !std::getline(in, className) || !std::getline(in, title)) {
        return std::nullopt;
    }
    Parsed parsed;
    WindowDirectory::Entry& entry = parsed.entry;
    entry.hwnd = hwnd;
    int visible = 0;
    long left, top, right, bottom;
    if (std::sscanf(header.c_str(), "%u %llu %u %d %ld %ld %ld %ld %llu", &entry.processId,
                    &parsed.startTime, &entry.threadId, &visible, &left, &top, &right, &bottom,
                    &entry.raised) != 9) {
        return std::nullopt;
    }
    entry.visible = visible != 0;
    entry.rect = {static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right),
                  static_cast<LONG>(bottom)};
    entry.className = Unescape(className);
    entry.title = Unescape(title);
    return parsed;
}

// The entry of a running process; a dead process's entry is removed.
std::optional<WindowDirectory::Entry> Load(HWND hwnd) {
    const std::string path = EntryPath(hwnd);
    const std::optional<std::string> content = ReadSmallFile(path);
    if (!content) {
        return std::nullopt;
    }
    std::optional<Parsed> parsed = Parse(hwnd, *content);
    if (!parsed || !WindowDirectory::ProcessRunning(parsed->entry.processId, parsed->startTime)) {
        unlink(path.c_str());
        return std::nullopt;
    }
    return parsed->entry;
}

} // namespace

HWND WindowDirectory::NewHandle() {
    if (!Device::Initialise()) {
        return nullptr;
    }
    const std::string path = Device::RunDirectory() + "/window-counter";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return nullptr;
    }
    std::uintptr_t value = 0;
    if (flock(fd, LOCK_EX) == 0) {
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
    mkdir(Folder().c_str(), 0755);
    char header[256];
    std::snprintf(header, sizeof header, "%u %llu %u %d %ld %ld %ld %ld %llu\n", entry.processId,
                  OwnStartTime(), entry.threadId, entry.visible ? 1 : 0,
                  static_cast<long>(entry.rect.left), static_cast<long>(entry.rect.top),
                  static_cast<long>(entry.rect.right), static_cast<long>(entry.rect.bottom),
                  entry.raised);
    WriteAtomically(EntryPath(entry.hwnd),
                    header + Escape(entry.className) + "\n" + Escape(entry.title) + "\n");
}

void WindowDirectory::Remove(HWND hwnd) {
    unlink(EntryPath(hwnd).c_str());
}

std::optional<WindowDirectory::Entry> WindowDirectory::Get(HWND hwnd) {
    const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
    if (value < firstHandle || value > lastHandle) {
        return std::nullopt;
    }
    return Load(hwnd);
}

std::vector<WindowDirectory::Entry> WindowDirectory::List() {
    std::vector<Entry> entries;
    DIR* folder = opendir(Folder().c_str());
    if (!folder) {
        return entries;
    }
    while (const dirent* item = readdir(folder)) {
        if (const std::optional<HWND> hwnd = HandleOfName(item->d_name)) {
            if (std::optional<Entry> entry = Load(*hwnd)) {
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
    const std::optional<std::string> content =
        ReadSmallFile(Device::RunDirectory() + "/foreground-window");
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
    WriteAtomically(Device::RunDirectory() + "/foreground-window", text);
}

bool WindowDirectory::ProcessRunning(DWORD processId, unsigned long long startTime) {
    if (processId == static_cast<DWORD>(getpid())) {
        return startTime == OwnStartTime();
    }
    return processId != 0 && StartTimeOf(processId) == startTime;
}

unsigned long long WindowDirectory::OwnStartTime() {
    // Read anew after a fork: the child is another process.
    static thread_local DWORD cachedFor = 0;
    static thread_local unsigned long long cached = 0;
    const auto self = static_cast<DWORD>(getpid());
    if (cachedFor != self) {
        cached = StartTimeOf(self).value_or(0);
        cachedFor = self;
    }
    return cached;
}

} // namespace platform
