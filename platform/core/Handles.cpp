#include "HandleTable.h"
#include "NamedMutex.h"
#include "platform/files.h"
#include "platform/kernel.h"

BOOL CloseHandle(HANDLE handle) {
    if (!platform::HandleTable::Close(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR name) {
    bool created = true;
    std::unique_ptr<platform::NamedMutex> mutex =
        platform::NamedMutex::Open(name ? name : L"", created);
    if (!mutex) {
        return nullptr;
    }
    const HANDLE handle = platform::HandleTable::Add(std::move(mutex));
    if (handle) {
        SetLastError(created ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
    }
    return handle;
}
