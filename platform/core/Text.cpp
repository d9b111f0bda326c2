#include "platform/text.h"

#include <cstdint>

namespace platform {

namespace {

constexpr std::uint32_t replacement = 0xFFFD;

bool IsScalarValue(std::uint32_t code) {
    return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

} // namespace

std::string Utf8(std::wstring_view text) {
    std::string utf8;
    utf8.reserve(text.size());
    for (const wchar_t c : text) {
        std::uint32_t code = static_cast<std::uint32_t>(c);
        if (!IsScalarValue(code)) {
            code = replacement;
        }
        if (code < 0x80) {
            utf8 += static_cast<char>(code);
        } else if (code < 0x800) {
            utf8 += static_cast<char>(0xC0 | code >> 6);
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            utf8 += static_cast<char>(0xE0 | code >> 12);
            utf8 += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | code >> 18);
            utf8 += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            utf8 += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return utf8;
}

// One U+FFFD for each byte that starts no valid sequence: a stray continuation byte, a lead
// byte without its continuation bytes, an overlong form, a surrogate, a value past U+10FFFF.
std::wstring FromUtf8(std::string_view utf8) {
    std::wstring text;
    text.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        std::uint32_t least = 0;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
            least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
            least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
            least = 0x10000;
        }
        bool valid = length > 0 && at + length <= utf8.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[at + k]);
            valid = (next & 0xC0) == 0x80;
            code = code << 6 | (next & 0x3F);
        }
        valid = valid && code >= least && IsScalarValue(code);
        text += static_cast<wchar_t>(valid ? code : replacement);
        at += valid ? length : 1;
    }
    return text;
}

bool IsUnicodeText(std::wstring_view text) {
    for (const wchar_t c : text) {
        if (!IsScalarValue(static_cast<std::uint32_t>(c))) {
            return false;
        }
    }
    return true;
}

} // namespace platform
