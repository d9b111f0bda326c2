// One component of a device path: which characters it may hold, how it is stored on the host
// (UTF-8, the device's multibyte code page) and how names compare (without regard to case, as
// the device's file system compares them).
#pragma once

#include <optional>
#include <string>

namespace platform {

class FileName {
  public:
    // False for an empty name and for one holding \ / : * ? " < > | or a control character;
    // with wildcards, * and ? are allowed.
    static bool IsValid(const std::wstring& name, bool wildcards);

    // The multibyte form of wide text; nullopt when a character has none.
    static std::optional<std::string> ToHost(const std::wstring& text);
    // The wide form of multibyte text; nullopt for bytes that are not valid UTF-8.
    static std::optional<std::wstring> FromHost(const std::string& text);

    // Equal character by character after towlower.
    static bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b);
    // "*" matches any run of characters and "?" exactly one, without regard to case. A pattern
    // ending in ".*" also matches the name without that ending, so "*.*" matches every name.
    static bool Matches(const std::wstring& pattern, const std::wstring& name);
};

} // namespace platform
