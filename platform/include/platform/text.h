// Wide text and UTF-8, the device's multibyte code page.
//
// Conversion always gives text: a character that is no Unicode scalar value (a lone surrogate,
// a value past U+10FFFF) and a byte that starts no valid UTF-8 sequence each become U+FFFD, the
// replacement character. So a damaged name still shows with the rest of its characters, and no
// conversion ever writes bytes that a UTF-8 reader refuses. Whatever must keep text exactly, as
// the registry must, asks IsUnicodeText first and refuses the text when it is not.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The UTF-8 form of wide text.
std::string Utf8(std::wstring_view text);

// The wide text of UTF-8 bytes; a NUL byte is a character like any other.
std::wstring FromUtf8(std::string_view utf8);

// Whether every character of the text is a Unicode scalar value, so that Utf8 keeps it exactly.
bool IsUnicodeText(std::wstring_view text);

} // namespace platform
