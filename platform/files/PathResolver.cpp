#include "PathResolver.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

#include "FileName.h"
#include "platform/Device.h"
#include "platform/files.h"

namespace platform {

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// The name of the entry of folder that the component names: the exact name when it exists,
// else the first entry equal to it without regard to case.
std::optional<std::string> FindEntry(const std::string& folder, const std::wstring& name,
                                     const std::string& hostName) {
    struct stat status;
    if (::fstatat(AT_FDCWD, (folder + "/" + hostName).c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
        return hostName;
    }
    std::vector<std::string> entries = PathResolver::EntriesNamed(folder, name);
    if (entries.empty()) {
        return std::nullopt;
    }
    return entries.front();
}

// The path of hostPath relative to root, compared lexically; nullopt outside root.
std::optional<std::filesystem::path> BelowRoot(const std::filesystem::path& root,
                                               const std::filesystem::path& hostPath) {
    const std::filesystem::path relative =
        hostPath.lexically_normal().lexically_relative(root.lexically_normal());
    if (relative.empty() || *relative.begin() == "..") {
        return std::nullopt;
    }
    return relative;
}

} // namespace

std::string PathResolver::Root() {
    Device::Initialise();
    return Device::FileSystemRoot();
}

std::optional<PathResolver::Components> PathResolver::Split(const std::wstring& devicePath,
                                                            bool wildcards) {
    Components components;
    std::size_t lastEnd = devicePath.size();
    while (lastEnd > 0 && IsSeparator(devicePath[lastEnd - 1])) {
        --lastEnd;
    }
    std::size_t start = 0;
    while (start < devicePath.size()) {
        if (IsSeparator(devicePath[start])) {
            ++start;
            continue;
        }
        std::size_t end = start;
        while (end < devicePath.size() && !IsSeparator(devicePath[end])) {
            ++end;
        }
        std::wstring component = devicePath.substr(start, end - start);
        const bool last = end == lastEnd;
        start = end;
        if (component == L".") {
            continue;
        }
        if (component == L"..") {
            if (!components.empty()) {
                components.pop_back();
            }
            continue;
        }
        if (!FileName::IsValid(component, wildcards && last)) {
            SetLastError(ERROR_INVALID_NAME);
            return std::nullopt;
        }
        components.push_back(std::move(component));
    }
    return components;
}

std::optional<std::string> PathResolver::Resolve(const Components& components) {
    const std::string root = Root();
    std::string path = root;
    bool lookUp = true;
    for (const std::wstring& component : components) {
        const std::optional<std::string> hostName = FileName::ToHost(component);
        if (!hostName) {
            SetLastError(ERROR_INVALID_NAME);
            return std::nullopt;
        }
        std::optional<std::string> entry;
        if (lookUp) {
            entry = FindEntry(path, component, *hostName);
            // Below a missing folder nothing exists, so the rest is taken as given.
            lookUp = entry.has_value();
        }
        path += '/';
        path += entry ? *entry : *hostName;
    }
    if (!BelowRoot(root, path)) {
        SetLastError(ERROR_INVALID_NAME);
        return std::nullopt;
    }
    return path;
}

std::optional<std::string> PathResolver::Resolve(const std::wstring& devicePath) {
    const std::optional<Components> components = Split(devicePath);
    if (!components) {
        return std::nullopt;
    }
    return Resolve(*components);
}

std::vector<std::string> PathResolver::EntriesNamed(const std::string& folder,
                                                    const std::wstring& name) {
    std::vector<std::string> entries;
    DIR* directory = ::opendir(folder.c_str());
    if (!directory) {
        return entries;
    }
    while (const dirent* entry = ::readdir(directory)) {
        const std::string entryName = entry->d_name;
        if (entryName == "." || entryName == "..") {
            continue;
        }
        const std::optional<std::wstring> wide = FileName::FromHost(entryName);
        if (wide && FileName::EqualIgnoringCase(*wide, name)) {
            entries.push_back(entryName);
        }
    }
    ::closedir(directory);
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::string HostPath(const std::wstring& devicePath) {
    return PathResolver::Resolve(devicePath).value_or(std::string());
}

std::wstring DevicePath(const std::string& hostPath) {
    namespace fs = std::filesystem;
    const fs::path root = PathResolver::Root();
    std::optional<fs::path> relative = BelowRoot(root, hostPath);
    if (!relative) {
        // A device or a host path reached through a link or a relative name: compare where
        // they really are.
        std::error_code error;
        const fs::path realRoot = fs::weakly_canonical(root, error);
        const fs::path realPath = fs::weakly_canonical(hostPath, error);
        if (error) {
            return {};
        }
        relative = BelowRoot(realRoot, realPath);
        if (!relative) {
            return {};
        }
    }
    std::wstring devicePath;
    for (const fs::path& component : *relative) {
        if (component.empty() || component == ".") {
            continue;
        }
        const std::optional<std::wstring> wide = FileName::FromHost(component.string());
        if (!wide) {
            return {};
        }
        devicePath += L'\\';
        devicePath += *wide;
    }
    return devicePath.empty() ? L"\\" : devicePath;
}

} // namespace platform
