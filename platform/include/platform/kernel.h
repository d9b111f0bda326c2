// Requests to the device's kernel.
#pragma once

#include "platform/types.h"

#define IOCTL_HAL_REBOOT 0x0101003Cu

// IOCTL_HAL_REBOOT soft-resets the device: every other process running from it (a program the
// device's shell started, or one with windows on the device) ends at once, and run/, which
// holds what only running processes need, is cleared. The caller, whose work the reset would
// cut short on the device, is left to finish. The buffers are not used. Any other code fails
// with ERROR_INVALID_PARAMETER.
BOOL KernelIoControl(DWORD ioControlCode, LPVOID inBuffer, DWORD inBufferSize, LPVOID outBuffer,
                     DWORD outBufferSize, LPDWORD bytesReturned);
