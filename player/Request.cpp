#include "Request.h"

#include <cerrno>
#include <cmath>
#include <cwchar>
#include <optional>

#include "platform/text.h"

namespace {

std::optional<unsigned long> ReadCount(const std::wstring& text) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return std::nullopt;
    }
    return std::wcstoul(text.c_str(), nullptr, 10);
}

std::optional<double> ReadSpeed(const std::wstring& text) {
    wchar_t* end = nullptr;
    errno = 0;
    const double value = text.empty() ? 0 : std::wcstod(text.c_str(), &end);
    if (text.empty() || *end != L'\0' || errno != 0 || !(value >= 0.1 && value <= 10)) {
        return std::nullopt;
    }
    return value;
}

Request Refused(const std::string& error) {
    Request request;
    request.action = Request::Refuse;
    request.error = error;
    return request;
}

} // namespace

Request Request::Read(const std::vector<std::wstring>& arguments, bool withOptions) {
    Request request;
    std::vector<std::wstring> names;
    bool options = false;
    bool stop = false;
    bool namesOnly = !withOptions;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::wstring& argument = arguments[index];
        if (namesOnly || !(argument.starts_with(L"--") || argument == L"-h")) {
            names.push_back(argument);
            continue;
        }
        if (argument == L"--") {
            namesOnly = true;
            continue;
        }
        if (argument == L"--help" || argument == L"-h") {
            request.action = PrintUsage;
            return request;
        }
        if (argument == L"--version") {
            request.action = PrintVersion;
            return request;
        }
        options = true;
        if (argument == L"--stop") {
            stop = true;
            continue;
        }
        const std::size_t equals = argument.find(L'=');
        const std::wstring option = argument.substr(0, equals);
        if (option != L"--repeat" && option != L"--speed") {
            return Refused("unknown option " + platform::Utf8(argument));
        }
        if (equals == std::wstring::npos && index + 1 == arguments.size()) {
            return Refused(platform::Utf8(option) + " needs a value");
        }
        const std::wstring value =
            equals == std::wstring::npos ? arguments[++index] : argument.substr(equals + 1);
        if (option == L"--repeat") {
            const std::optional<unsigned long> count = ReadCount(value);
            if (!count) {
                return Refused("--repeat takes a whole number of times (0: until stopped), not \"" +
                               platform::Utf8(value) + "\"");
            }
            request.repeat = *count;
        } else {
            const std::optional<double> speed = ReadSpeed(value);
            if (!speed) {
                return Refused("--speed takes a number from 0.1 to 10, not \"" +
                               platform::Utf8(value) + "\"");
            }
            request.speed = *speed;
        }
    }
    if (stop) {
        if (!names.empty() || request.repeat != 1 || request.speed != 1) {
            return Refused("--stop takes no macro and no other option");
        }
        request.action = StopPlaybacks;
    } else if (names.empty()) {
        if (options) {
            return Refused("--repeat and --speed need a macro name");
        }
        request.action = ShowLibrary;
    } else if (names.size() == 1) {
        request.action = PlayMacro;
        request.name = names.front();
    } else if (options) {
        return Refused("one macro name only (put a name with spaces in quotes)");
    } else {
        request.action = DoNothing;
    }
    return request;
}
