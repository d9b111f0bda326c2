#include "FileSearch.h"

#include <algorithm>
#include <cerrno>
#include <cwchar>
#include <dirent.h>
#include <memory>

#include "FileName.h"
#include "HandleTable.h"
#include "HostError.h"
#include "PathResolver.h"

namespace platform {

FileSearch::FileSearch(std::vector<Entry> entries) : entries(std::move(entries)) {}

bool FileSearch::Next(WIN32_FIND_DATAW& data) {
    if (next >= entries.size()) {
        return false;
    }
    const Entry& entry = entries[next++];
    data = WIN32_FIND_DATAW{};
    data.dwFileAttributes = entry.info.attributes;
    data.ftCreationTime = entry.info.creationTime;
    data.ftLastAccessTime = entry.info.lastAccessTime;
    data.ftLastWriteTime = entry.info.lastWriteTime;
    data.nFileSizeHigh = static_cast<DWORD>(entry.info.size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(entry.info.size);
    std::wmemcpy(data.cFileName, entry.name.c_str(), entry.name.size() + 1);
    return true;
}

} // namespace platform

namespace {

HANDLE Fail(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

} // namespace

HANDLE FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData) {
    using platform::FileSearch;
    if (!fileName || !findData) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    std::optional<platform::PathResolver::Components> components =
        platform::PathResolver::Split(fileName, true);
    if (!components) {
        return INVALID_HANDLE_VALUE;
    }
    if (components->empty()) {
        return Fail(ERROR_FILE_NOT_FOUND);
    }
    const std::wstring pattern = components->back();
    components->pop_back();
    const std::optional<std::string> folder = platform::PathResolver::Resolve(*components);
    if (!folder) {
        return INVALID_HANDLE_VALUE;
    }
    DIR* directory = ::opendir(folder->c_str());
    if (!directory) {
        const int error = errno;
        return Fail(error == ENOENT ? ERROR_PATH_NOT_FOUND
                                    : platform::HostError::FromErrno(error, *folder));
    }
    std::vector<FileSearch::Entry> entries;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string hostName = entry->d_name;
        if (hostName == "." || hostName == "..") {
            continue;
        }
        // A name the device could not hold in its find data, or could not spell, is not
        // listed rather than listed wrongly.
        std::optional<std::wstring> name = platform::FileName::FromHost(hostName);
        if (!name || name->size() >= MAX_PATH || !platform::FileName::Matches(pattern, *name)) {
            continue;
        }
        if (std::optional<platform::FileInfo> info =
                platform::FileInfo::Of(*folder + "/" + hostName)) {
            entries.push_back({std::move(*name), *info});
        }
    }
    ::closedir(directory);
    if (entries.empty()) {
        return Fail(ERROR_FILE_NOT_FOUND);
    }
    std::sort(
        entries.begin(), entries.end(),
        [](const FileSearch::Entry& a, const FileSearch::Entry& b) { return a.name < b.name; });
    auto search = std::make_unique<FileSearch>(std::move(entries));
    search->Next(*findData);
    const HANDLE handle = platform::HandleTable::Add(std::move(search));
    if (!handle) {
        return Fail(ERROR_TOO_MANY_OPEN_FILES);
    }
    SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL FindNextFileW(HANDLE findFile, LPWIN32_FIND_DATAW findData) {
    platform::FileSearch* search = platform::HandleTable::Get<platform::FileSearch>(findFile);
    if (!search) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!findData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!search->Next(*findData)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL FindClose(HANDLE findFile) {
    if (!platform::HandleTable::Get<platform::FileSearch>(findFile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    platform::HandleTable::Close(findFile);
    return TRUE;
}
