#include "MacroName.h"

#include <string_view>

bool IsValidMacroName(const std::wstring& name) {
    constexpr std::wstring_view forbidden = L"\\/:*?\"<>|";
    for (const wchar_t c : name) {
        if (c < 0x20 || forbidden.find(c) != std::wstring_view::npos) {
            return false;
        }
    }
    return true;
}

std::wstring WhyMacroNameIsRefused(const std::wstring& name) {
    if (name.find_first_not_of(L' ') == std::wstring::npos) {
        return L"A macro needs a name.";
    }
    if (!IsValidMacroName(name)) {
        return L"A macro name cannot hold any of \\ / : * ? \" < > | or a control character.";
    }
    if (name.front() == L' ' || name.back() == L' ' || name.back() == L'.') {
        return L"A macro name cannot begin or end with a space, nor end with a dot.";
    }
    return {};
}
