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
