// The device's basic types and constants, under the names the device's own headers give them.
//
// wchar_t is 32 bits on Linux; the device's wide strings are UTF-16. Everything here takes
// wchar_t text, so a wide character is one code point. The multibyte code page is UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using WCHAR = wchar_t;
using LPCWSTR = const wchar_t*;
using LPWSTR = wchar_t*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;
using LPBYTE = BYTE*;
// Message parameters carry pointers (a dialog object, a notification header), so they are
// pointer-sized here as on every 64-bit Windows.
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

using HANDLE = void*;
struct HWND__;
using HWND = HWND__*;
struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
using REGSAM = DWORD;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// The halves of a message parameter, and a point packed into one: x in the low 16 bits, y in
// the high ones. Points are signed; a captured stylus left of or above the window is negative.
#define LOWORD(value) (static_cast<WORD>(static_cast<std::uintptr_t>(value) & 0xFFFF))
#define HIWORD(value) (static_cast<WORD>((static_cast<std::uintptr_t>(value) >> 16) & 0xFFFF))
#define MAKELPARAM(low, high)                                                                      \
    (static_cast<LPARAM>(static_cast<DWORD>(LOWORD(low)) |                                         \
                         (static_cast<DWORD>(LOWORD(high)) << 16)))
#define GET_X_LPARAM(lParam) (static_cast<int>(static_cast<short>(LOWORD(lParam))))
#define GET_Y_LPARAM(lParam) (static_cast<int>(static_cast<short>(HIWORD(lParam))))

#define MAX_PATH 260
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

// Error codes, as the device's GetLastError and registry functions return them.
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_WRITE_FAULT 29L
#define ERROR_READ_FAULT 30L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INVALID_NAME 123L
#define ERROR_DIR_NOT_EMPTY 145L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_MORE_DATA 234L
#define ERROR_BADDB 1009L
#define ERROR_CANTOPEN 1011L
#define ERROR_CANTREAD 1012L
#define ERROR_CANTWRITE 1013L

DWORD GetLastError();
void SetLastError(DWORD error);
