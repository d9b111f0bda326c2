#include "platform/input.h"

#include "platform/Injector.h"

// The device's pointer calls take unsigned coordinates; absolute values past the screen arrive
// as their 32-bit two's complement, so they are read back as signed.
void mouse_event(DWORD flags, DWORD dx, DWORD dy, DWORD, std::uintptr_t) {
    platform::Injector::Current().Mouse(flags, static_cast<LONG>(dx), static_cast<LONG>(dy));
}

void keybd_event(BYTE vk, BYTE, DWORD flags, std::uintptr_t) {
    platform::Injector::Current().Key(vk, flags);
}
