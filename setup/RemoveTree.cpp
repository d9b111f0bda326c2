#include "RemoveTree.h"

#include <cwchar>
#include <cwctype>
#include <sys/stat.h>
#include <vector>

#include "InstallPaths.h"
#include "SharedNames.h"
#include "platform/files.h"

namespace {

using Components = std::vector<std::wstring>;

Components Split(const std::wstring& path) {
    Components components;
    std::wstring current;
    for (const wchar_t c : path + L"\\") {
        if (c == L'\\' || c == L'/') {
            if (!current.empty()) {
                components.push_back(current);
            }
            current.clear();
        } else {
            current += c;
        }
    }
    return components;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) {
            return false;
        }
    }
    return true;
}

// Whether path names the folder of outer or one above it.
bool Encloses(const Components& path, const Components& outer) {
    if (path.size() > outer.size()) {
        return false;
    }
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (!SameName(path[i], outer[i])) {
            return false;
        }
    }
    return true;
}

bool IsLink(const std::wstring& path) {
    const std::string host = platform::HostPath(path);
    struct stat status {};
    return !host.empty() && lstat(host.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

bool MayRemove(const std::wstring& directory) {
    const Components components = Split(directory);
    if (components.empty() || platform::HostPath(directory).empty() || IsLink(directory)) {
        return false;
    }
    for (const std::wstring& component : components) {
        if (component == L"." || component == L"..") {
            return false;
        }
    }
    std::vector<Components> kept = {
        Split(L"\\Windows\\Start Menu\\Programs"),
        Split(L"\\Program Files"),
        Split(L"\\My Documents"),
    };
    Components installDir = Split(GetInstallDirectory());
    if (!installDir.empty()) {
        installDir.pop_back();
        kept.push_back(installDir);
    }
    for (const Components& folder : kept) {
        if (Encloses(components, folder)) {
            return false;
        }
    }
    return true;
}

bool RemoveContents(const std::wstring& directory) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = directory + L"\\" + name;
            // A link to a folder (the installer links the product's files into the device) is
            // removed itself; what it points at is not the device's.
            const bool removed =
                (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsLink(path)
                    ? RemoveContents(path)
                    : DeleteFileW(path.c_str()) != FALSE;
            if (!removed) {
                FindClose(search);
                return false;
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryW(directory.c_str()) != FALSE;
}

} // namespace

bool RemoveTree(const std::wstring& directory) {
    return MayRemove(directory) && RemoveContents(directory);
}
