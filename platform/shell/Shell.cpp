#include "platform/shell.h"

#include <climits>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <variant>

#include "FileAssociation.h"
#include "FileName.h"
#include "ProcessHandle.h"
#include "ShortcutFile.h"
#include "platform/files.h"
#include "platform/windows.h"

namespace {

// cbSize as the device's programs fill it in: the structure with 32-bit pointers.
constexpr DWORD deviceStructureSize = 60;
// What ShellExecute answers for a launch that worked: any value above 32 would do.
constexpr std::intptr_t launched = 42;

// What a file is to the shell: a program starts, a shortcut runs its command line, a document
// opens with the program associated with its kind.
enum class Kind { program, shortcut, document };

// A file the shell was asked to open: its host path, and the path by which the device knows it
// (the device path of a file below the device; for a host program the resolved host path, by
// which the desktop knows it once it runs; for another host document the path as given).
struct Target {
    Kind kind;
    std::string hostPath;
    std::wstring path;
    bool onDevice;
};

// What GetLastError and hInstApp say about a launch that failed.
struct Failure {
    DWORD error;
    int code;
};

bool IsRegularFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool HasExtension(const std::wstring& path, const wchar_t* extension) {
    const std::size_t length = std::wcslen(extension);
    return path.size() > length && wcscasecmp(path.c_str() + path.size() - length, extension) == 0;
}

// A program of the device ends in ".exe" as on the device, or is a file the host may execute
// (a Linux program placed in the device under its own name).
Kind KindOfDeviceFile(const std::wstring& path, const std::string& hostPath) {
    if (HasExtension(path, L".lnk")) {
        return Kind::shortcut;
    }
    return HasExtension(path, L".exe") || access(hostPath.c_str(), X_OK) == 0 ? Kind::program
                                                                              : Kind::document;
}

// A device path names a file below the device; a path starting with "/" that names no device
// file is a host path, a program when it may be executed.
std::optional<Target> Resolve(const std::wstring& file) {
    if (file.empty()) {
        return std::nullopt;
    }
    if (const std::string onDevice = platform::HostPath(file);
        !onDevice.empty() && IsRegularFile(onDevice)) {
        const std::wstring devicePath = platform::DevicePath(onDevice);
        const std::wstring path = devicePath.empty() ? file : devicePath;
        return Target{KindOfDeviceFile(path, onDevice), onDevice, path, true};
    }
    if (file.front() != L'/') {
        return std::nullopt;
    }
    const std::optional<std::string> host = platform::FileName::ToHost(file);
    if (!host || !IsRegularFile(*host)) {
        return std::nullopt;
    }
    if (access(host->c_str(), X_OK) != 0) {
        // A document below the device's folder is known by its device path all the same.
        const std::wstring devicePath = platform::DevicePath(*host);
        return devicePath.empty() ? Target{Kind::document, *host, file, false}
                                  : Target{Kind::document, *host, devicePath, true};
    }
    // A running program's executable is known by its real path, whatever link started it.
    char real[PATH_MAX];
    if (!realpath(host->c_str(), real)) {
        return std::nullopt;
    }
    const std::optional<std::wstring> identity = platform::FileName::FromHost(real);
    return Target{Kind::program, *host, identity.value_or(file), false};
}

// A command line cut after its first token, quoted or not: the token without its quotes, and the
// text after the white space that follows it, exactly.
std::pair<std::wstring, std::wstring> SplitProgram(const std::wstring& commandLine) {
    const auto isSpace = [](wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; };
    std::size_t start = 0;
    while (start < commandLine.size() && isSpace(commandLine[start])) {
        ++start;
    }
    std::size_t end = start;
    std::wstring program;
    if (start < commandLine.size() && commandLine[start] == L'"') {
        end = commandLine.find(L'"', start + 1);
        program = commandLine.substr(start + 1, end == std::wstring::npos ? end : end - start - 1);
        end = end == std::wstring::npos ? commandLine.size() : end + 1;
    } else {
        while (end < commandLine.size() && !isSpace(commandLine[end])) {
            ++end;
        }
        program = commandLine.substr(start, end - start);
    }
    while (end < commandLine.size() && isSpace(commandLine[end])) {
        ++end;
    }
    return {program, commandLine.substr(end)};
}

// Starts a program with its parameters; returns its process identifier, or the failure. When
// it already has a window and may be brought up, that window comes to the front instead.
std::variant<DWORD, Failure> StartProgram(const Target& program, const std::wstring& parameters,
                                          bool bringUp) {
    platform::Desktop& desktop = platform::Desktop::Current();
    if (bringUp) {
        if (HWND running = desktop.WindowOfProgram(program.path)) {
            desktop.Activate(running);
            return desktop.ProcessOf(running);
        }
    }
    const DWORD processId = platform::Launcher::Current().Start(program.hostPath, parameters);
    if (processId == 0) {
        return Failure{ERROR_ACCESS_DENIED, SE_ERR_ACCESSDENIED};
    }
    return processId;
}

// Opens a document with its associated program, else with xdg-open.
std::variant<DWORD, Failure> OpenDocument(const Target& document) {
    if (const std::optional<std::wstring> command =
            platform::FileAssociation::OpenCommand(document.path)) {
        const auto [programPath, parameters] = SplitProgram(*command);
        const std::optional<Target> program = Resolve(programPath);
        if (!program || program->kind != Kind::program) {
            return Failure{ERROR_FILE_NOT_FOUND, SE_ERR_FNF};
        }
        // A program of the device knows the document by its device path, a host program by
        // its host path.
        const std::optional<std::wstring> hostPath =
            platform::FileName::FromHost(document.hostPath);
        const std::wstring& path = program->onDevice || !hostPath ? document.path : *hostPath;
        const std::optional<std::wstring> text =
            platform::FileAssociation::Substitute(parameters, path);
        if (!text) {
            return Failure{ERROR_INVALID_NAME, SE_ERR_FNF};
        }
        // The running copy would not get the document: the program starts with it.
        return StartProgram(*program, *text, false);
    }
    const std::optional<std::string> xdgOpen = platform::FindProgram("xdg-open");
    if (!xdgOpen) {
        return Failure{ERROR_NO_ASSOCIATION, SE_ERR_NOASSOC};
    }
    const std::optional<std::wstring> hostPath = platform::FileName::FromHost(document.hostPath);
    const std::optional<std::wstring> text =
        hostPath ? platform::FileAssociation::Substitute(L"%1", *hostPath) : std::nullopt;
    if (!text) {
        return Failure{ERROR_INVALID_NAME, SE_ERR_FNF};
    }
    const DWORD processId = platform::Launcher::Current().Start(*xdgOpen, *text);
    if (processId == 0) {
        return Failure{ERROR_ACCESS_DENIED, SE_ERR_ACCESSDENIED};
    }
    return processId;
}

// Opens what a shortcut's command line names, with its parameters and those of the caller.
std::variant<DWORD, Failure> RunShortcut(const Target& shortcut, const std::wstring& extra) {
    const std::optional<std::wstring> commandLine = platform::ShortcutFile::Read(shortcut.path);
    if (!commandLine) {
        return Failure{ERROR_FILE_NOT_FOUND, SE_ERR_FNF};
    }
    auto [programPath, parameters] = SplitProgram(*commandLine);
    const std::optional<Target> target = Resolve(programPath);
    if (!target || target->kind == Kind::shortcut) {
        return Failure{ERROR_FILE_NOT_FOUND, SE_ERR_FNF};
    }
    if (target->kind == Kind::document) {
        return OpenDocument(*target);
    }
    if (!extra.empty()) {
        parameters += parameters.empty() ? extra : L" " + extra;
    }
    // A shortcut's parameters are what it is for (a macro shortcut names the macro the player
    // is to play), so a shortcut with parameters starts its program even while a copy runs.
    return StartProgram(*target, parameters, parameters.empty());
}

bool IsOpenVerb(LPCWSTR verb) {
    return !verb || wcscasecmp(verb, L"open") == 0;
}

BOOL Fail(LPSHELLEXECUTEINFO info, Failure failure) {
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(failure.code));
    SetLastError(failure.error);
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
        return Fail(info, {ERROR_INVALID_PARAMETER, SE_ERR_NOASSOC});
    }
    if (!IsOpenVerb(info->lpVerb)) {
        return Fail(info, {ERROR_INVALID_PARAMETER, SE_ERR_NOASSOC});
    }
    const std::optional<Target> target = info->lpFile ? Resolve(info->lpFile) : std::nullopt;
    if (!target) {
        return Fail(info, {ERROR_FILE_NOT_FOUND, SE_ERR_FNF});
    }
    const std::wstring parameters = info->lpParameters ? info->lpParameters : L"";
    std::variant<DWORD, Failure> result;
    switch (target->kind) {
    case Kind::program:
        result = StartProgram(*target, parameters, true);
        break;
    case Kind::shortcut:
        result = RunShortcut(*target, parameters);
        break;
    case Kind::document:
        result = OpenDocument(*target);
        break;
    }
    if (const Failure* failure = std::get_if<Failure>(&result)) {
        return Fail(info, *failure);
    }
    const DWORD processId = std::get<DWORD>(result);
    if ((info->fMask & SEE_MASK_NOCLOSEPROCESS) != 0 && processId != 0) {
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
    const std::optional<Target> program = Resolve(image);
    if (!program || program->kind != Kind::program) {
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
