// Local memory: the process heap.
#include <algorithm>
#include <cstdlib>

#include "platform/memory.h"

// Moveable blocks are not needed by the system: every block is fixed.
HLOCAL LocalAlloc(UINT flags, std::size_t bytes) {
    // A block of no bytes is still a block that LocalFree takes.
    bytes = std::max<std::size_t>(bytes, 1);
    void* block = (flags & LMEM_ZEROINIT) ? std::calloc(1, bytes) : std::malloc(bytes);
    if (!block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return block;
}

HLOCAL LocalFree(HLOCAL block) {
    std::free(block);
    return nullptr;
}
