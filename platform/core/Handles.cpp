#include "HandleTable.h"
#include "platform/files.h"

BOOL CloseHandle(HANDLE handle) {
    if (!platform::HandleTable::Close(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
