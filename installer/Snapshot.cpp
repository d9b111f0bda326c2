#include "Snapshot.h"

#include <cstdlib>
#include <filesystem>

#include "platform/Device.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace {

namespace fs = std::filesystem;

constexpr auto copyOptions = fs::copy_options::recursive | fs::copy_options::copy_symlinks;

// Room for the longest names the registry holds, NUL included.
constexpr DWORD maxKeyName = 256;
constexpr DWORD maxValueName = 16384;

} // namespace

Snapshot::~Snapshot() {
    if (!folder.empty()) {
        std::error_code error;
        fs::remove_all(folder, error);
    }
}

bool Snapshot::KeepPath(const std::wstring& devicePath) {
    const std::string host = platform::HostPath(devicePath);
    if (host.empty()) {
        return false;
    }
    std::error_code error;
    const fs::file_status status = fs::symlink_status(host, error);
    if (status.type() == fs::file_type::not_found) {
        paths.push_back({devicePath, {}});
        return true;
    }
    if (status.type() == fs::file_type::none) {
        return false;
    }
    if (folder.empty()) {
        std::string pattern = platform::Device::Directory() + "/install-backup.XXXXXX";
        if (!mkdtemp(pattern.data())) {
            return false;
        }
        folder = pattern;
    }
    const std::string copy = folder + "/" + std::to_string(paths.size());
    fs::copy(host, copy, copyOptions, error);
    if (error) {
        return false;
    }
    paths.push_back({devicePath, copy});
    return true;
}

bool Snapshot::KeepKey(HKEY root, const std::wstring& keyName) {
    KeptKey kept{root, keyName, false, {}};
    if (Read(root, keyName, kept.existed, kept.content) != ERROR_SUCCESS) {
        return false;
    }
    keys.push_back(std::move(kept));
    return true;
}

void Snapshot::AddCreatedFolder(const std::wstring& devicePath) {
    createdFolders.push_back(devicePath);
}

std::vector<std::wstring> Snapshot::Restore() {
    std::vector<std::wstring> failed;
    for (auto kept = keys.rbegin(); kept != keys.rend(); ++kept) {
        if (!RestoreKey(*kept)) {
            failed.push_back(L"the registry key " + kept->name);
        }
    }
    for (auto kept = paths.rbegin(); kept != paths.rend(); ++kept) {
        if (!RestorePath(*kept)) {
            failed.push_back(kept->devicePath);
        }
    }
    // Only an empty folder goes: anything in it is not the installation's.
    for (auto created = createdFolders.rbegin(); created != createdFolders.rend(); ++created) {
        std::error_code error;
        fs::remove(platform::HostPath(*created), error);
    }
    keys.clear();
    paths.clear();
    createdFolders.clear();
    return failed;
}

LONG Snapshot::Read(HKEY root, const std::wstring& keyName, bool& exists, Key& content) {
    content = {};
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(root, keyName.c_str(), 0, 0, &key);
    exists = opened == ERROR_SUCCESS;
    if (opened != ERROR_SUCCESS) {
        return opened == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : opened;
    }
    const LONG result = ReadOpen(key, content);
    RegCloseKey(key);
    return result;
}

LONG Snapshot::ReadOpen(HKEY key, Key& content) {
    std::wstring name(maxValueName, L'\0');
    for (DWORD index = 0;; ++index) {
        Value value;
        DWORD nameLength = maxValueName;
        DWORD size = 0;
        LONG result = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &value.type,
                                    nullptr, &size);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        value.data.resize(size);
        nameLength = maxValueName;
        if (result == ERROR_SUCCESS) {
            result = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &value.type,
                                   value.data.data(), &size);
        }
        if (result != ERROR_SUCCESS) {
            return result;
        }
        value.name.assign(name.data(), nameLength);
        content.values.push_back(std::move(value));
    }
    for (DWORD index = 0;; ++index) {
        Key subkey;
        DWORD nameLength = maxKeyName;
        LONG result =
            RegEnumKeyExW(key, index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result != ERROR_SUCCESS) {
            return result;
        }
        subkey.name.assign(name.data(), nameLength);
        HKEY opened = nullptr;
        result = RegOpenKeyExW(key, subkey.name.c_str(), 0, 0, &opened);
        if (result == ERROR_SUCCESS) {
            result = ReadOpen(opened, subkey);
            RegCloseKey(opened);
        }
        if (result != ERROR_SUCCESS) {
            return result;
        }
        content.subkeys.push_back(std::move(subkey));
    }
    return ERROR_SUCCESS;
}

bool Snapshot::Write(HKEY root, const std::wstring& keyName, const Key& content) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, keyName.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    bool written = true;
    for (const Value& value : content.values) {
        written = RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                                 static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS &&
                  written;
    }
    for (const Key& subkey : content.subkeys) {
        written = Write(key, subkey.name, subkey) && written;
    }
    RegCloseKey(key);
    return written;
}

bool Snapshot::RestoreKey(const KeptKey& kept) {
    bool exists = false;
    Key now;
    if (Read(kept.root, kept.name, exists, now) == ERROR_SUCCESS && exists == kept.existed &&
        now == kept.content) {
        return true;
    }
    const LONG deleted = RegDeleteKeyW(kept.root, kept.name.c_str());
    if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) {
        return false;
    }
    return !kept.existed || Write(kept.root, kept.name, kept.content);
}

bool Snapshot::RestorePath(const KeptPath& kept) {
    const std::string host = platform::HostPath(kept.devicePath);
    std::error_code error;
    fs::remove_all(host, error);
    if (error) {
        return false;
    }
    if (kept.copy.empty()) {
        return true;
    }
    fs::rename(kept.copy, host, error);
    if (error) {
        error.clear();
        fs::copy(kept.copy, host, copyOptions, error);
    }
    return !error;
}
