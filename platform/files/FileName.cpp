#include "FileName.h"

#include <climits>
#include <cwchar>
#include <cwctype>

namespace platform {

namespace {

bool MatchesWildcards(const std::wstring& pattern, const std::wstring& name) {
    // Iterative matching with one backtrack point: the last "*" seen, so that the work stays
    // linear in practice even for patterns with many stars.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starPattern = std::wstring::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == L'?' || std::towlower(pattern[p]) == std::towlower(name[n]))) {
            ++p;
            ++n;
        } else if (starPattern != std::wstring::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') {
        ++p;
    }
    return p == pattern.size();
}

} // namespace

bool FileName::IsValid(const std::wstring& name, bool wildcards) {
    if (name.empty()) {
        return false;
    }
    for (const wchar_t c : name) {
        if (c < 0x20) {
            return false;
        }
        switch (c) {
        case L'\\':
        case L'/':
        case L':':
        case L'"':
        case L'<':
        case L'>':
        case L'|':
            return false;
        case L'*':
        case L'?':
            if (!wildcards) {
                return false;
            }
            break;
        default:
            break;
        }
    }
    return true;
}

std::optional<std::string> FileName::ToHost(const std::wstring& text) {
    std::string result;
    result.reserve(text.size());
    std::mbstate_t state{};
    char bytes[MB_LEN_MAX];
    for (const wchar_t c : text) {
        if (c == L'\0') {
            return std::nullopt;
        }
        const std::size_t length = std::wcrtomb(bytes, c, &state);
        if (length == static_cast<std::size_t>(-1)) {
            return std::nullopt;
        }
        result.append(bytes, length);
    }
    return result;
}

std::optional<std::wstring> FileName::FromHost(const std::string& text) {
    std::wstring result;
    result.reserve(text.size());
    std::mbstate_t state{};
    const char* next = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        wchar_t c;
        const std::size_t length = std::mbrtowc(&c, next, left, &state);
        if (length == 0 || length > left) {
            return std::nullopt;
        }
        result.push_back(c);
        next += length;
        left -= length;
    }
    return result;
}

bool FileName::EqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && std::towlower(a[i]) != std::towlower(b[i])) {
            return false;
        }
    }
    return true;
}

bool FileName::Matches(const std::wstring& pattern, const std::wstring& name) {
    return MatchesWildcards(pattern, name) ||
           (pattern.ends_with(L".*") &&
            MatchesWildcards(pattern.substr(0, pattern.size() - 2), name));
}

} // namespace platform
