#include "RegistryKeys.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "platform/registry.h"

namespace platform {

namespace {

// The roots' handle values, and the range the device keeps for predefined keys, which no
// opened key ever takes.
constexpr std::uintptr_t predefinedFirst = 0x80000000u;
constexpr std::uintptr_t predefinedLast = 0x8000000Fu;

struct Table {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, RegistryStore::Key> open;
    std::uintptr_t next = 1;
};

bool FindRoot(HKEY handle, RegistryStore::Key& key) {
    if (handle == HKEY_CLASSES_ROOT) {
        key = RegistryStore::classesRoot;
    } else if (handle == HKEY_CURRENT_USER) {
        key = RegistryStore::currentUser;
    } else if (handle == HKEY_LOCAL_MACHINE) {
        key = RegistryStore::localMachine;
    } else {
        return false;
    }
    return true;
}

// Never destroyed, so that a key closed by another library's exit-time destructor still finds
// the table.
Table& TheTable() {
    static Table* table = new Table;
    return *table;
}

} // namespace

bool RegistryKeys::Find(HKEY handle, RegistryStore::Key& key) {
    if (FindRoot(handle, key)) {
        return true;
    }
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    const auto found = table.open.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == table.open.end()) {
        return false;
    }
    key = found->second;
    return true;
}

HKEY RegistryKeys::Add(RegistryStore::Key key) {
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    if (table.next >= predefinedFirst && table.next <= predefinedLast) {
        table.next = predefinedLast + 1;
    }
    const std::uintptr_t value = table.next++;
    table.open.emplace(value, key);
    return reinterpret_cast<HKEY>(value);
}

bool RegistryKeys::Close(HKEY handle) {
    RegistryStore::Key root = 0;
    if (FindRoot(handle, root)) {
        return true;
    }
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    return table.open.erase(reinterpret_cast<std::uintptr_t>(handle)) == 1;
}

void RegistryKeys::Clear() {
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    table.open.clear();
}

} // namespace platform
