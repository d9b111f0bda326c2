// The hooks the device's application installer calls around copying and removing Tapweave's
// files: they clear the product's stored settings, write the Start-menu shortcuts of the About
// box and of the macros kept from an earlier installation, and at removal close the running
// recorder, remove the shortcuts and the installation, and ask for the restart that a recorder
// still holding the touch panel needs.
#include "RemoveTree.h"
#include "SharedNames.h"
#include "WriteShortcut.h"

#include "platform/alerts.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/setup.h"
#include "platform/shell.h"
#include "platform/windows.h"

namespace {

// Set when a recorder still runs after removal asked it to end: the device must then be
// restarted.
bool softResetNeeded = false;

// How long a recorder that has destroyed its window may take to end, in steps of 50 ms.
constexpr int endingChecks = 40;

// Whether the recorder still runs after the request to end: it only hid (its capture is
// calibrated) or did not answer, or its process has not ended in time.
bool RecorderStillRuns(DWORD processId) {
    for (int check = 0; check < endingChecks; ++check) {
        if (FindWindowW(recorderClassName.c_str(), recorderWindowTitle.c_str()) != nullptr) {
            return true;
        }
        if (!platform::IsDeviceProgram(processId)) {
            return false;
        }
        Sleep(50);
    }
    return true;
}

} // namespace

SETUP_EXPORT codeINSTALL_INIT Install_Init(HWND, BOOL, BOOL, LPCWSTR) {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, productRegistryKey.c_str());
    return codeINSTALL_INIT_CONTINUE;
}

SETUP_EXPORT codeINSTALL_EXIT Install_Exit(HWND, LPCWSTR installDir, WORD, WORD, WORD, WORD, WORD) {
    wchar_t programs[MAX_PATH] = {};
    if (!SHGetSpecialFolderPath(nullptr, programs, CSIDL_PROGRAMS, FALSE)) {
        return codeINSTALL_EXIT_UNINSTALL;
    }
    const std::wstring directory = installDir ? installDir : L"";
    const std::wstring folder = std::wstring(programs) + L"\\" + productName + L"\\";
    const int result = WriteShortcut(directory, folder, L"Macros - About", 0);

    const std::wstring pattern = directory + L"\\" + macrosFolderName + L"\\*" + macroExtension;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring file = found.cFileName;
            // Only what the player would play gets a shortcut: a regular file, read as it
            // reads one, not a folder, a FIFO or a link.
            const std::wstring path = directory + L"\\" + macrosFolderName + L"\\" + file;
            if (file.size() >= macroExtension.size() &&
                platform::ReadRegularFile(path, maximumMacroFileSize)) {
                WriteShortcut(directory, folder,
                              file.substr(0, file.size() - macroExtension.size()), 1);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return result == 0 ? codeINSTALL_EXIT_DONE : codeINSTALL_EXIT_UNINSTALL;
}

SETUP_EXPORT codeUNINSTALL_INIT Uninstall_Init(HWND, LPCWSTR installDir) {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, productRegistryKey.c_str());
    if (HWND recorder = FindWindowW(recorderClassName.c_str(), recorderWindowTitle.c_str())) {
        // The recorder ends, or, while it holds a calibrated touch panel, only hides: only then
        // is the restart after removal needed to end it. Either way it stores its position as
        // it closes, which the sent message waits for (within the device's limit for an
        // answer), so the settings are cleared once more.
        DWORD processId = 0;
        GetWindowThreadProcessId(recorder, &processId);
        SendMessageW(recorder, WM_CLOSE, 1, 0);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, productRegistryKey.c_str());
        softResetNeeded = RecorderStillRuns(processId);
    }
    wchar_t programs[MAX_PATH] = {};
    if (SHGetSpecialFolderPath(nullptr, programs, CSIDL_PROGRAMS, FALSE)) {
        RemoveTree(std::wstring(programs) + L"\\" + productName);
    }
    RemoveTree(installDir ? installDir : L"");
    return codeUNINSTALL_INIT_CONTINUE;
}

SETUP_EXPORT codeUNINSTALL_EXIT Uninstall_Exit(HWND) {
    if (softResetNeeded) {
        // Only a window of the device's own programs steps aside for the notice: a window of
        // the desktop (the terminal the installer was typed into) stays where it is.
        const HWND front = GetForegroundWindow();
        DWORD owner = 0;
        GetWindowThreadProcessId(front, &owner);
        if (front && platform::IsDeviceProgram(owner)) {
            ShowWindow(front, SW_HIDE);
        }
        MessageBeep(MB_ICONEXCLAMATION);
        platform::Tell(
            L"Soft reset is required.\nPRESS JOYSTICK's CENTER or MAKE SOFT RESET manually",
            productName.c_str(), MB_OK | MB_SETFOREGROUND | MB_TOPMOST);
        KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr);
        // A recorder that answered too late, or was closed again before the restart ended it,
        // has stored its position since; nothing of it runs now.
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, productRegistryKey.c_str());
    }
    return codeUNINSTALL_EXIT_DONE;
}
