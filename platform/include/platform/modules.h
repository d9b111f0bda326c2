// Libraries loaded by their device path, and their exports looked up by name.
#pragma once

#include "platform/types.h"

#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L

// Loads the library at a device path (\Windows\touch.dll is the touch driver). Returns the
// module's handle, the same one the library's own code gets for itself, or null with the last
// error set (ERROR_MOD_NOT_FOUND when the file is missing or is no library). Each successful
// load is matched by one FreeLibrary.
HMODULE LoadLibraryW(LPCWSTR libraryPath);
// An export of a module from LoadLibraryW, by name; null when the module has no such export.
// The device's own call takes a wide name; the narrow form is for host code.
void* GetProcAddressW(HMODULE module, LPCWSTR procName);
void* GetProcAddressW(HMODULE module, const char* procName);
BOOL FreeLibrary(HMODULE module);
