#include "FileAssociation.h"

#include <vector>

#include "platform/registry.h"

namespace platform {

namespace {

// The default value of a key below HKEY_CLASSES_ROOT, when it is a non-empty string.
std::optional<std::wstring> DefaultValue(const std::wstring& keyName) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, keyName.c_str(), 0, 0, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = REG_NONE;
    DWORD size = 0;
    std::optional<std::wstring> text;
    if (RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_SZ && size >= sizeof(wchar_t)) {
        std::vector<wchar_t> value(size / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<LPBYTE>(value.data()),
                             &size) == ERROR_SUCCESS) {
            text = std::wstring(value.data());
        }
    }
    RegCloseKey(key);
    if (text && text->empty()) {
        return std::nullopt;
    }
    return text;
}

} // namespace

std::optional<std::wstring> FileAssociation::OpenCommand(const std::wstring& path) {
    const std::size_t name = path.find_last_of(L"\\/");
    const std::size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (name != std::wstring::npos && dot < name) ||
        dot + 1 == path.size()) {
        return std::nullopt;
    }
    const std::optional<std::wstring> className = DefaultValue(path.substr(dot));
    if (!className) {
        return std::nullopt;
    }
    return DefaultValue(*className + L"\\Shell\\Open\\Command");
}

std::optional<std::wstring> FileAssociation::Substitute(const std::wstring& parameters,
                                                        const std::wstring& document) {
    if (document.find(L'"') != std::wstring::npos) {
        return std::nullopt;
    }
    const std::wstring quotedDocument = L"\"" + document + L"\"";
    if (parameters.find(L"%1") == std::wstring::npos) {
        return parameters.empty() ? quotedDocument : parameters + L" " + quotedDocument;
    }
    std::wstring result;
    bool quoted = false;
    for (std::size_t index = 0; index < parameters.size(); ++index) {
        const wchar_t c = parameters[index];
        if (c == L'%' && index + 1 < parameters.size() && parameters[index + 1] == L'1') {
            result += quoted ? document : quotedDocument;
            ++index;
            continue;
        }
        if (c == L'"') {
            quoted = !quoted;
        }
        result += c;
    }
    return result;
}

} // namespace platform
