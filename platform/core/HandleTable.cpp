#include "HandleTable.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace platform {

namespace {

constexpr std::uintptr_t firstValue = 4;
constexpr std::uintptr_t valueStep = 4;
constexpr std::uintptr_t lastValue = 0x3FFFFFFC;
constexpr std::size_t capacity = lastValue / valueStep;

struct Table {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, std::unique_ptr<HandleObject>> objects;
    std::uintptr_t next = firstValue;
};

// Never destroyed: handles may still be closed by other objects' destructors while the
// process exits, and the host releases files and processes at exit anyway.
Table& TheTable() {
    static Table* table = new Table;
    return *table;
}

std::uintptr_t ValueOf(HANDLE handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

} // namespace

HANDLE HandleTable::Add(std::unique_ptr<HandleObject> object) {
    if (!object) {
        return nullptr;
    }
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    if (table.objects.size() >= capacity) {
        return nullptr;
    }
    for (;;) {
        const std::uintptr_t value = table.next;
        table.next = value >= lastValue ? firstValue : value + valueStep;
        if (table.objects.try_emplace(value, std::move(object)).second) {
            return reinterpret_cast<HANDLE>(value);
        }
    }
}

bool HandleTable::Close(HANDLE handle) {
    std::unique_ptr<HandleObject> closed;
    {
        Table& table = TheTable();
        std::lock_guard lock(table.mutex);
        const auto found = table.objects.find(ValueOf(handle));
        if (found == table.objects.end()) {
            return false;
        }
        closed = std::move(found->second);
        table.objects.erase(found);
    }
    // Destroyed outside the lock: a destructor may close or look up other handles.
    closed.reset();
    return true;
}

HandleObject* HandleTable::Find(HANDLE handle) {
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    const auto found = table.objects.find(ValueOf(handle));
    return found == table.objects.end() ? nullptr : found->second.get();
}

} // namespace platform
