#include "platform/shell.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "FileName.h"
#include "ProcessHandle.h"
#include "platform/files.h"
#include "platform/windows.h"

namespace {

// cbSize as the device's programs fill it in: the structure with 32-bit pointers.
constexpr DWORD deviceStructureSize = 60;
// What ShellExecute answers for a launch that worked: any value above 32 would do.
constexpr std::intptr_t launched = 42;

// The program lpFile names: its host path, and the path by which the desktop knows it once it
// runs (the device path of a device program, the resolved host path of a host program).
struct Program {
    std::string hostPath;
    std::wstring identity;
};

bool IsRegularFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::optional<Program> Resolve(const std::wstring& file) {
    if (const std::string onDevice = platform::HostPath(file);
        !onDevice.empty() && IsRegularFile(onDevice)) {
        const std::wstring devicePath = platform::DevicePath(onDevice);
        return Program{onDevice, devicePath.empty() ? file : devicePath};
    }
    if (file.front() != L'/') {
        return std::nullopt;
    }
    const std::optional<std::string> host = platform::FileName::ToHost(file);
    if (!host || !IsRegularFile(*host) || access(host->c_str(), X_OK) != 0) {
        return std::nullopt;
    }
    // A running program's executable is known by its real path, whatever link started it.
    char real[PATH_MAX];
    if (!realpath(host->c_str(), real)) {
        return std::nullopt;
    }
    const std::optional<std::wstring> identity = platform::FileName::FromHost(real);
    return Program{*host, identity.value_or(file)};
}

bool IsOpenVerb(LPCWSTR verb) {
    return !verb || wcscasecmp(verb, L"open") == 0;
}

BOOL Fail(LPSHELLEXECUTEINFO info, DWORD error, int code) {
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(code));
    SetLastError(error);
    return FALSE;
}

} // namespace

BOOL ShellExecuteEx(LPSHELLEXECUTEINFO info) {
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    info->hProcess = nullptr;
    if (info->cbSize != deviceStructureSize && info->cbSize != sizeof(SHELLEXECUTEINFO)) {
        return Fail(info, ERROR_INVALID_PARAMETER, SE_ERR_NOASSOC);
    }
    if (!IsOpenVerb(info->lpVerb)) {
        return Fail(info, ERROR_INVALID_PARAMETER, SE_ERR_NOASSOC);
    }
    if (!info->lpFile || !*info->lpFile) {
        return Fail(info, ERROR_FILE_NOT_FOUND, SE_ERR_FNF);
    }
    const std::optional<Program> program = Resolve(info->lpFile);
    if (!program) {
        return Fail(info, ERROR_FILE_NOT_FOUND, SE_ERR_FNF);
    }
    const bool wantProcess = (info->fMask & SEE_MASK_NOCLOSEPROCESS) != 0;
    platform::Desktop& desktop = platform::Desktop::Current();
    DWORD processId = 0;
    if (HWND running = desktop.WindowOfProgram(program->identity)) {
        desktop.Activate(running);
        processId = desktop.ProcessOf(running);
    } else {
        processId = platform::Launcher::Current().Start(
            program->hostPath, info->lpParameters ? info->lpParameters : L"");
        if (processId == 0) {
            return Fail(info, ERROR_ACCESS_DENIED, SE_ERR_ACCESSDENIED);
        }
    }
    if (wantProcess && processId != 0) {
        info->hProcess = platform::ProcessHandle::Open(processId);
    }
    info->hInstApp = reinterpret_cast<HINSTANCE>(launched);
    return TRUE;
}

BOOL CreateProcessW(LPCWSTR imageName, LPCWSTR commandLine, LPSECURITY_ATTRIBUTES,
                    LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPWSTR, LPSTARTUPINFOW,
                    LPPROCESS_INFORMATION processInformation) {
    if (!imageName || !*imageName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::wstring image = imageName;
    if (image.find_first_of(L"\\/") == std::wstring::npos) {
        image = L"\\Windows\\" + image;
    }
    const std::optional<Program> program = Resolve(image);
    if (!program) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    const DWORD processId =
        platform::Launcher::Current().Start(program->hostPath, commandLine ? commandLine : L"");
    if (processId == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (processInformation) {
        processInformation->hProcess = platform::ProcessHandle::Open(processId);
        processInformation->hThread = nullptr;
        processInformation->dwProcessId = processId;
        processInformation->dwThreadId = processId;
    }
    return TRUE;
}

namespace platform {

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
    std::vector<std::wstring> arguments;
    std::wstring current;
    bool inArgument = false;
    bool quoted = false;
    for (const wchar_t c : commandLine) {
        if (c == L'"') {
            quoted = !quoted;
            inArgument = true;
        } else if (!quoted && std::iswspace(static_cast<wint_t>(c))) {
            if (inArgument) {
                arguments.push_back(std::move(current));
                current.clear();
                inArgument = false;
            }
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) {
        arguments.push_back(std::move(current));
    }
    return arguments;
}

} // namespace platform
