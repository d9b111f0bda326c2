// Files and folders of the device. Paths are device paths ("\Program Files\Tapweave\x.macros"):
// backslash or slash separate components, they resolve below the device's fs/ folder, an
// existing component is matched without regard to case, ".." never leaves the device, and a
// component holding a character a device file name cannot hold (\ / : * ? " < > | or a
// control character) makes the operation fail with ERROR_INVALID_NAME.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/types.h"

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x1u
#define FILE_SHARE_WRITE 0x2u
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_READONLY 0x1u
#define FILE_ATTRIBUTE_HIDDEN 0x2u
#define FILE_ATTRIBUTE_DIRECTORY 0x10u
#define FILE_ATTRIBUTE_ARCHIVE 0x20u
#define FILE_ATTRIBUTE_NORMAL 0x80u
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu

// Error codes of the file calls beyond the common ones.
#define ERROR_TOO_MANY_OPEN_FILES 4L
#define ERROR_NOT_SAME_DEVICE 17L
#define ERROR_GEN_FAILURE 31L
#define ERROR_DISK_FULL 112L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_FILE_TOO_LARGE 223L
#define ERROR_DIRECTORY 267L

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwOID;
    WCHAR cFileName[MAX_PATH];
};
using LPWIN32_FIND_DATAW = WIN32_FIND_DATAW*;

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped);
// Closes a handle of any kind the device hands out (file, search, process).
BOOL CloseHandle(HANDLE handle);

// Patterns hold "*" and "?" in their last component, matched without regard to case.
HANDLE FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData);
BOOL FindNextFileW(HANDLE findFile, LPWIN32_FIND_DATAW findData);
BOOL FindClose(HANDLE findFile);

// Fails when the target exists (ERROR_ALREADY_EXISTS).
BOOL MoveFileW(LPCWSTR existingFileName, LPCWSTR newFileName);
BOOL DeleteFileW(LPCWSTR fileName);
BOOL CreateDirectoryW(LPCWSTR pathName, LPSECURITY_ATTRIBUTES securityAttributes);
BOOL RemoveDirectoryW(LPCWSTR pathName);
DWORD GetFileAttributesW(LPCWSTR fileName);

namespace platform {

// The host path that a standard file stream can open for a device path; empty when the device
// path cannot name a file (an invalid component). The file itself need not exist.
std::string HostPath(const std::wstring& devicePath);

// The device path of a host path below the device's fs/ folder ("\Windows\touch.dll"); empty
// for a host path outside the device.
std::wstring DevicePath(const std::string& hostPath);

// The whole content of a file that people may have put there by hand (a macro, a shortcut).
// Only a regular file is read: a folder, a FIFO (which would keep the reader waiting for a
// writer), a device (which may never end) or a symbolic link fails with ERROR_ACCESS_DENIED. The
// system writes these files itself and never as links, and a link may lead anywhere, out of the
// device too, so none is followed. A file larger than maximumSize fails with
// ERROR_FILE_TOO_LARGE without being read. nullopt with the last error set.
std::optional<std::string> ReadRegularFile(const std::wstring& devicePath, std::size_t maximumSize);

// Creates a file with the text at a device path, whole or not at all, so that neither a full
// disk nor a process killed half-way leaves a shortened file under the name. The text goes to a
// temporary file in the same folder (a hidden name ending in ".part"), is synced, and is then
// given the name without following a link and without replacing anything: when an entry of that
// name exists, whatever it is (a link leading nowhere too), the call fails with
// ERROR_ALREADY_EXISTS. Temporary files that killed processes left in the folder are removed.
// false with the last error set (ERROR_PATH_NOT_FOUND without the folder, ERROR_DISK_FULL,
// ERROR_ACCESS_DENIED), and nothing left behind.
bool CreateWholeFile(const std::wstring& devicePath, const std::string& text);

} // namespace platform
