// The device's shell: special folders, shortcuts, opening files and starting programs, and the
// command line a program was started with.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"

#define SEE_MASK_NOCLOSEPROCESS 0x00000040u

// What hInstApp holds after a failed launch; above 32 after a successful one.
#define SE_ERR_FNF 2
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_NOASSOC 31

// Error codes of the shell calls beyond the common ones.
#define ERROR_INVALID_DATA 13L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_NO_ASSOCIATION 1155L

// The special folders of the device, as SHGetSpecialFolderPath names them.
#define CSIDL_PROGRAMS 0x0002      // \Windows\Start Menu\Programs
#define CSIDL_PERSONAL 0x0005      // \My Documents
#define CSIDL_STARTMENU 0x000B     // \Windows\Start Menu
#define CSIDL_WINDOWS 0x0024       // \Windows
#define CSIDL_PROGRAM_FILES 0x0026 // \Program Files

// Copies the folder's device path, without a trailing backslash, into path (MAX_PATH wide
// characters). FALSE (ERROR_PATH_NOT_FOUND) when the folder does not exist and create is FALSE;
// with create, the folder and those above it are made. The owner window is not used.
BOOL SHGetSpecialFolderPath(HWND owner, LPWSTR path, int csidl, BOOL create);

// Writes the shortcut file at shortcutPath (created or replaced) that runs the command line
// target: the number of bytes of the command line in UTF-8, "#", the command line, with no line
// end. FALSE when the path holds a name a device file cannot have (ERROR_INVALID_NAME), its
// folder is missing (ERROR_PATH_NOT_FOUND) or the file cannot be written; the folder is never
// created here.
BOOL SHCreateShortcut(LPWSTR shortcutPath, LPWSTR target);
// Copies the command line of the shortcut into target, at most max wide characters with the
// terminating NUL. The form the setup library writes, with its "#" counted and an icon
// reference (" ?\windows\Tapweave Setup.dll,1") after the command line, is read too; the icon
// reference is not part of the target. FALSE when the file is missing, when its count does not
// match the bytes that follow or its text is not UTF-8 (ERROR_INVALID_DATA), or when the command
// line does not fit (ERROR_INSUFFICIENT_BUFFER); target is then empty (when max allows).
BOOL SHGetShortcutTarget(LPCWSTR shortcut, LPWSTR target, int max);

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

// lpVerb is "open" (in any case) or null. What lpFile names decides what happens:
// - a program (a device file ending in ".exe", or any file the host may execute, such as
//   "/usr/bin/gedit") starts with lpParameters as its command-line text; a program that already
//   has a window on the display is brought up instead of started twice;
// - a shortcut (a device file ending in ".lnk") runs its command line: the first token, quoted
//   or not, names what is opened, and the text after it (and after the white space that follows
//   it) is the parameters text, passed exactly; lpParameters, when given, is added after it. A
//   shortcut with parameters always starts its program, since they are what it is for (a macro
//   shortcut names the macro to play); one without brings a running copy up;
// - any other file is a document. It opens with the program the device registry associates
//   with its extension: HKEY_CLASSES_ROOT\<extension> (".macros") holds a class name as its
//   default value, and the default value of HKEY_CLASSES_ROOT\<class>\Shell\Open\Command the
//   command that opens it: a program, then parameters in which "%1" stands for the document
//   ("\Windows\pword.exe %1", "/usr/bin/gedit \"%1\""). A program of the device gets the
//   document's device path, a host program its host path; a "%1" outside double quotes is
//   replaced by the path in double quotes, so that a path with spaces stays one argument, and a
//   command without "%1" gets the path after its parameters. The program starts with the
//   document even while a copy of it runs.
//   Without an association the document goes to xdg-open on its host path; without xdg-open,
//   FALSE with ERROR_NO_ASSOCIATION (hInstApp SE_ERR_NOASSOC).
// A missing file, or a shortcut that cannot be read or names another shortcut, fails with
// ERROR_FILE_NOT_FOUND (SE_ERR_FNF); a program that cannot be started with ERROR_ACCESS_DENIED.
// With SEE_MASK_NOCLOSEPROCESS, hProcess receives a process handle that CloseHandle closes.
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
// program; a program is a file ending in ".exe" or one the host may execute. The program gets
// commandLine as its command-line text. Security attributes, handle inheritance, creation flags,
// environment, directory and start-up information are not used. With processInformation, hProcess
// receives a process handle that CloseHandle closes; hThread is null and dwThreadId is the process
// identifier (the process's first thread). FALSE when the program is missing (ERROR_FILE_NOT_FOUND)
// or cannot be started (ERROR_ACCESS_DENIED).
BOOL CreateProcessW(LPCWSTR imageName, LPCWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                    DWORD creationFlags, LPVOID environment, LPWSTR currentDirectory,
                    LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation);

// The command line of this program: its program in double quotes, then the text of its
// arguments after one space (nothing when there is none), as a program of Windows receives it.
// - Started by the device's shell (ShellExecuteEx, CreateProcessW), the arguments are exactly
//   the command-line text the shell was given (a shortcut's parameters), and the program is
//   the path GetModuleFileNameW gives: '"\Program Files\Tapweave\Player.exe" "New Macro"'.
// - Started from a Linux shell, the program is argv[0], and the arguments are joined by
//   spaces, an argument holding white space, or an empty one, put between double quotes:
//   `tapweave-player "My Macro"` gives '"tapweave-player" "My Macro"', one argument after the
//   program, and `tapweave-player My Macro` two. An argument holding a double quote cannot be
//   told apart this way, as on the device.
// The text is taken once, at the first call, and stays for the life of the process.
LPWSTR GetCommandLineW();

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

// Whether the device's shell started this program with its command-line text (the first case
// of GetCommandLineW), rather than a Linux shell with argv.
bool StartedByDeviceShell();

// The text of this program's arguments, as a program's WinMain receives it on the device: the
// command line of GetCommandLineW without the program in double quotes and the one space after
// it; empty when there are none. It stays for the life of the process.
LPWSTR CommandLineParameters();

// The arguments of a command line: white space separates them, and double quotes group text
// (white space included) and are removed; "" is an empty argument. Backslashes are ordinary
// characters, since device paths are full of them.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

// The host program a command names: a path as it is, a bare name found on the search path.
// An entry that is empty or relative, which would stand for the current folder or one below
// it, is passed over, so that nothing runs a program that happens to lie there. Only a regular
// file that may be executed is a program.
std::optional<std::string> FindProgram(const std::string& name);

// Whether the device registry names the program that opens documents of the path's kind.
bool HasOpenCommand(const std::wstring& path);

// Opens a text file of the device (or of the host) in the person's own text editor, for a file
// no program of the device is associated with: $VISUAL, else $EDITOR, else sensible-editor,
// else vi, the first whose program is found, run inside x-terminal-emulator (else xterm), as a
// terminal editor needs a terminal. That needs a display: without one, or when no editor or
// terminal is found, the person is told so (platform::Tell) and it returns false.
bool EditTextFile(const std::wstring& path);

} // namespace platform
