// The command line of this program, as GetCommandLineW gives it.
#include <cstdlib>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "FileName.h"
#include "ProcessTable.h"
#include "platform/shell.h"

namespace {

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

std::wstring Wide(const std::string& text) {
    if (std::optional<std::wstring> wide = platform::FileName::FromHost(text)) {
        return *wide;
    }
    // Bytes that are not UTF-8 stand for themselves, so that nothing is lost.
    return std::wstring(text.begin(), text.end());
}

// The text the device's shell gave this program. The launcher starts every program in a
// session of its own, so a process that does not lead its session inherited the variable from
// the program that started it from a Linux shell, and the text is not its own.
std::optional<std::wstring> FromShell() {
    const char* text = std::getenv("TAPWEAVE_COMMAND_LINE");
    if (!text || getsid(0) != getpid()) {
        return std::nullopt;
    }
    const std::optional<std::wstring> arguments = platform::FileName::FromHost(text);
    if (!arguments) {
        return std::nullopt;
    }
    const std::wstring program = Quoted(platform::ProcessTable::OwnProgram());
    return arguments->empty() ? program : program + L" " + *arguments;
}

// argv as the Linux shell passed it, joined as the device's shell would have written it.
std::wstring FromArguments() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::vector<std::wstring> arguments;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\0', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        arguments.push_back(Wide(bytes.substr(start, end - start)));
        start = end + 1;
    }
    if (arguments.empty()) {
        return Quoted(platform::ProcessTable::OwnProgram());
    }
    std::wstring text = Quoted(arguments.front());
    for (std::size_t index = 1; index < arguments.size(); ++index) {
        const std::wstring& argument = arguments[index];
        bool hasSpace = false;
        for (const wchar_t c : argument) {
            hasSpace = hasSpace || std::iswspace(static_cast<wint_t>(c)) != 0;
        }
        text += L" " + (argument.empty() || hasSpace ? Quoted(argument) : argument);
    }
    return text;
}

} // namespace

LPWSTR GetCommandLineW() {
    static std::wstring text = [] {
        std::optional<std::wstring> fromShell = FromShell();
        return fromShell ? *fromShell : FromArguments();
    }();
    return text.data();
}

namespace platform {

bool StartedByDeviceShell() {
    static const bool byShell = FromShell().has_value();
    return byShell;
}

LPWSTR CommandLineParameters() {
    LPWSTR text = GetCommandLineW();
    // The program is always quoted, and a program path holds no quote.
    if (*text == L'"') {
        while (*++text && *text != L'"') {
        }
        if (*text) {
            ++text;
        }
    }
    if (*text == L' ') {
        ++text;
    }
    return text;
}

} // namespace platform
