// The device's shell: starting programs.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

#define SEE_MASK_NOCLOSEPROCESS 0x00000040u

// What hInstApp holds after a failed launch; above 32 after a successful one.
#define SE_ERR_FNF 2
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_NOASSOC 31

struct SHELLEXECUTEINFO {
    DWORD cbSize;
    DWORD fMask;
    HWND hwnd;
    LPCWSTR lpVerb;
    LPCWSTR lpFile;
    LPCWSTR lpParameters;
    LPCWSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    LPVOID lpIDList;
    LPCWSTR lpClass;
    HKEY hkeyClass;
    DWORD dwHotKey;
    HANDLE hIcon;
    HANDLE hProcess;
};
using LPSHELLEXECUTEINFO = SHELLEXECUTEINFO*;

// lpVerb is "open" (in any case) or null. lpFile names a program: a device path of a program runs
// that program, a host path
// ("/usr/bin/gedit") the host program. On a display, a program that already has a window is
// brought up instead of started twice. With SEE_MASK_NOCLOSEPROCESS, hProcess receives a
// process handle that CloseHandle closes.
BOOL ShellExecuteEx(LPSHELLEXECUTEINFO info);

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
struct STARTUPINFOW;
using LPSTARTUPINFOW = STARTUPINFOW*;

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

// Starts a new copy of the program, as the device does: a bare name (no folder) is a program
// of \Windows, a device path a program of the device, a host path ("/usr/bin/xterm") the host
// program. The program gets commandLine as its command-line text. Security attributes, handle
// inheritance, creation flags, environment, directory and start-up information are not used.
// With processInformation, hProcess receives a process handle that CloseHandle closes; hThread
// is null and dwThreadId is the process identifier (the process's first thread). FALSE when
// the program is missing (ERROR_FILE_NOT_FOUND) or cannot be started (ERROR_ACCESS_DENIED).
BOOL CreateProcessW(LPCWSTR imageName, LPCWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                    DWORD creationFlags, LPVOID environment, LPWSTR currentDirectory,
                    LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation);

namespace platform {

// Starts programs for the shell: real processes, or a fake in unit tests.
class Launcher {
  public:
    virtual ~Launcher() = default;
    // Starts the program (a host path) with the command-line text; the new process's
    // identifier, or 0 when it could not be started.
    virtual DWORD Start(const std::string& hostProgram, const std::wstring& commandLine) = 0;

    static Launcher& Current();
    static void Set(Launcher* launcher);
};

// The arguments of a command line: white space separates them, and double quotes group text
// (white space included) and are removed; "" is an empty argument. Backslashes are ordinary
// characters, since device paths are full of them.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

} // namespace platform
