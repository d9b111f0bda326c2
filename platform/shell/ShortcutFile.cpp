#include "ShortcutFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "DescriptorIo.h"
#include "FileName.h"
#include "HostError.h"
#include "PathResolver.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace platform {

namespace {

// More digits than any count of a file of maximumSize bytes.
constexpr std::size_t maximumDigits = 9;

// Where the icon reference starts: the first "?" outside double quotes; npos without one.
std::size_t IconReference(const std::wstring& text) {
    bool quoted = false;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] == L'"') {
            quoted = !quoted;
        } else if (text[index] == L'?' && !quoted) {
            return index;
        }
    }
    return std::wstring::npos;
}

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

bool Fail(DWORD error) {
    SetLastError(error);
    return false;
}

} // namespace

std::optional<std::string> ShortcutFile::Format(const std::wstring& commandLine) {
    if (commandLine.empty()) {
        return std::nullopt;
    }
    const std::optional<std::string> bytes = FileName::ToHost(commandLine);
    if (!bytes || bytes->size() + maximumDigits + 1 > maximumSize) {
        return std::nullopt;
    }
    return std::to_string(bytes->size()) + "#" + *bytes;
}

std::optional<std::wstring> ShortcutFile::Parse(const std::string& text) {
    const std::size_t marker = text.find('#');
    if (marker == 0 || marker == std::string::npos || marker > maximumDigits) {
        return std::nullopt;
    }
    std::size_t count = 0;
    for (std::size_t index = 0; index < marker; ++index) {
        if (text[index] < '0' || text[index] > '9') {
            return std::nullopt;
        }
        count = count * 10 + static_cast<std::size_t>(text[index] - '0');
    }
    // The shell's own count leaves the "#" out; the setup library's counts it.
    const std::size_t following = text.size() - marker - 1;
    if (count != following && count != following + 1) {
        return std::nullopt;
    }
    std::optional<std::wstring> commandLine = FileName::FromHost(text.substr(marker + 1));
    if (!commandLine) {
        return std::nullopt;
    }
    if (const std::size_t icon = IconReference(*commandLine); icon != std::wstring::npos) {
        std::size_t end = icon;
        while (end > 0 && IsBlank((*commandLine)[end - 1])) {
            --end;
        }
        commandLine->resize(end);
    }
    if (commandLine->empty()) {
        return std::nullopt;
    }
    return commandLine;
}

bool ShortcutFile::Write(const std::wstring& devicePath, const std::wstring& commandLine) {
    const std::optional<std::string> text = Format(commandLine);
    if (!text) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const std::optional<std::string> hostPath = PathResolver::Resolve(devicePath);
    if (!hostPath) {
        return false;
    }
    // Never through a link, and never into a FIFO or a device: only a regular file is replaced.
    const int descriptor =
        ::open(hostPath->c_str(),
               O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (descriptor < 0) {
        HostError::Set(errno == ELOOP || errno == ENXIO ? EACCES : errno, *hostPath);
        return false;
    }
    struct stat status;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return Fail(ERROR_ACCESS_DENIED);
    }
    const bool written = ::ftruncate(descriptor, 0) == 0 && WriteAll(descriptor, *text);
    const int error = errno;
    if (::close(descriptor) != 0 || !written) {
        HostError::Set(written ? errno : error, *hostPath);
        return false;
    }
    return true;
}

std::optional<std::wstring> ShortcutFile::Read(const std::wstring& devicePath) {
    const std::optional<std::string> text = ReadRegularFile(devicePath, maximumSize);
    if (!text) {
        if (GetLastError() == ERROR_FILE_TOO_LARGE) {
            SetLastError(ERROR_INVALID_DATA);
        }
        return std::nullopt;
    }
    std::optional<std::wstring> commandLine = Parse(*text);
    if (!commandLine) {
        SetLastError(ERROR_INVALID_DATA);
    }
    return commandLine;
}

} // namespace platform
