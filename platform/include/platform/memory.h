// Local memory: blocks from the process's one heap.
#pragma once

#include <cstddef>

#include "platform/types.h"

using HLOCAL = HANDLE;

#define LMEM_FIXED 0x0000u
#define LMEM_ZEROINIT 0x0040u
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

// A fixed block: the handle is the block's address. Null when the heap is exhausted.
HLOCAL LocalAlloc(UINT flags, std::size_t bytes);
// Null on success, as on the device.
HLOCAL LocalFree(HLOCAL block);
