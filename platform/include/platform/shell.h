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
