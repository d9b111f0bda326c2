// Input injection: what the device's mouse_event and keybd_event do.
#pragma once

#include "platform/types.h"

#define MOUSEEVENTF_MOVE 0x0001u
#define MOUSEEVENTF_LEFTDOWN 0x0002u
#define MOUSEEVENTF_LEFTUP 0x0004u
#define MOUSEEVENTF_ABSOLUTE 0x8000u

#define KEYEVENTF_KEYUP 0x0002u
#define KEYEVENTF_SILENT 0x0004u

#define VK_RETURN 0x0D
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_LWIN 0x5B
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_APP1 0xC1
#define VK_APP2 0xC2
#define VK_APP3 0xC3
#define VK_APP4 0xC4
#define VK_APP5 0xC5
#define VK_APP6 0xC6

// Absolute coordinates run from 0 to 65535 across the screen; programs scale a pixel by the
// integer factor 65535 / width (and height), and the backends map back with that same factor,
// so every pixel survives the round trip.
void mouse_event(DWORD flags, DWORD dx, DWORD dy, DWORD data, std::uintptr_t extraInfo);
void keybd_event(BYTE vk, BYTE scan, DWORD flags, std::uintptr_t extraInfo);
