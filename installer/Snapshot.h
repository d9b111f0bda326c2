// What the device holds where an installation is about to write, kept so that an installation
// that fails can put all of it back: files, links and folders (copied aside into a folder of the
// device directory, beside its file system), the folders the installation creates, and
// registry keys with everything below them.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

class Snapshot {
  public:
    Snapshot() = default;
    // Drops the copies.
    ~Snapshot();
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    // Keeps what the device path holds now, or that it holds nothing; false when that cannot be
    // kept (a file that cannot be copied, a path outside the device).
    bool KeepPath(const std::wstring& devicePath);
    // Keeps the key with its values and subkeys, or that it is missing; false when the registry
    // cannot be read.
    bool KeepKey(HKEY root, const std::wstring& keyName);
    // A folder the installation has just created: it goes again, when it is empty, on Restore.
    void AddCreatedFolder(const std::wstring& devicePath);

    // Puts back every path and key kept, newest first, and removes the created folders. A key
    // that is as it was is not written again, so a registry that still refuses writes loses
    // nothing. Returns the paths and keys that could not be put back.
    std::vector<std::wstring> Restore();

  private:
    struct Value {
        std::wstring name;
        DWORD type = 0;
        std::vector<BYTE> data;
        bool operator==(const Value&) const = default;
    };
    struct Key {
        std::wstring name;
        std::vector<Value> values;
        std::vector<Key> subkeys;
        bool operator==(const Key&) const = default;
    };
    struct KeptKey {
        HKEY root;
        std::wstring name;
        bool existed;
        Key content;
    };
    struct KeptPath {
        std::wstring devicePath;
        // The host path of the copy; empty when the path held nothing.
        std::string copy;
    };

    static LONG Read(HKEY root, const std::wstring& keyName, bool& exists, Key& content);
    static LONG ReadOpen(HKEY key, Key& content);
    static bool Write(HKEY root, const std::wstring& keyName, const Key& content);
    static bool RestoreKey(const KeptKey& kept);
    static bool RestorePath(const KeptPath& kept);

    // The host folder holding the copies; made on first use.
    std::string folder;
    std::vector<KeptPath> paths;
    std::vector<KeptKey> keys;
    std::vector<std::wstring> createdFolders;
};
