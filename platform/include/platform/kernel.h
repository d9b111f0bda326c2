// Requests to the device's kernel.
#pragma once

#include "platform/types.h"

#define IOCTL_HAL_REBOOT 0x0101003Cu

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// IOCTL_HAL_REBOOT soft-resets the device: every other process running from it (a program the
// device's shell started, or one with windows on the device) ends at once, and run/, which
// holds what only running processes need, is cleared. The caller, whose work the reset would
// cut short on the device, is left to finish, and so is its parent. A process is ended only
// when it runs one of the device's programs and is the very process its entry recorded; only
// the device's own entries of run/ are removed, and no link out of the device is followed. The
// buffers are not used. Any other code fails with ERROR_INVALID_PARAMETER.
BOOL KernelIoControl(DWORD ioControlCode, LPVOID inBuffer, DWORD inBufferSize, LPVOID outBuffer,
                     DWORD outBufferSize, LPDWORD bytesReturned);

// A mutex object known device-wide by its name: GetLastError() is ERROR_ALREADY_EXISTS when
// another handle (of any process on the device) created the name and is still open, else
// ERROR_SUCCESS. A program that must run only once takes it first. The attributes and the
// initial owner are not used, and nobody waits on the object: only its name counts. The name
// lasts while the handle that created it is open (the device keeps it while any is), and
// CloseHandle closes it; a process's handles close when it ends.
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES mutexAttributes, BOOL initialOwner, LPCWSTR name);

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define INFINITE 0xFFFFFFFFu

// Waits up to milliseconds (INFINITE: no limit) for a process handle (ShellExecuteEx,
// CreateProcessW, OpenProcess) to be signalled: WAIT_OBJECT_0 once the process has ended, at
// once when it no longer runs, WAIT_TIMEOUT while it still runs. Other handles are not waited
// on: WAIT_FAILED with ERROR_INVALID_HANDLE.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
