#include "Arguments.h"

#include <cwctype>

std::vector<std::wstring> SplitArguments(const std::wstring& modulePath,
                                         const std::wstring& commandLine) {
    std::vector<std::wstring> arguments{modulePath};
    const std::wctype_t space = std::wctype("space");
    std::wstring current;
    bool inArgument = false;
    bool quoted = false;
    for (const wchar_t c : commandLine) {
        if (!quoted && std::iswctype(static_cast<std::wint_t>(c), space)) {
            if (inArgument) {
                arguments.push_back(current);
                current.clear();
                inArgument = false;
            }
            continue;
        }
        // A quote begins an argument too: two quotes with nothing between them are an empty one.
        inArgument = true;
        if (c == L'"') {
            quoted = !quoted;
        } else {
            current += c;
        }
    }
    if (inArgument) {
        arguments.push_back(current);
    }
    return arguments;
}
