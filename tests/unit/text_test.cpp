#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/text.h"

namespace {

using std::string_literals::operator""s;

const std::string replacement = "\xEF\xBF\xBD";

std::wstring Of(std::initializer_list<std::uint32_t> codes) {
    std::wstring text;
    for (const std::uint32_t code : codes) {
        text += static_cast<wchar_t>(code);
    }
    return text;
}

TEST(Text, WideTextEncodesAsUtf8AndWhatIsNoCharacterAsTheReplacement) {
    struct Case {
        std::wstring text;
        std::string utf8;
        bool exact;
    };
    const Case cases[] = {
        {L"", "", true},
        {Of({'A', 0, 'b'}), "A\0b"s, true},
        {Of({0x7F, 0x80}), "\x7F\xC2\x80", true},
        {Of({0x7FF, 0x800}), "\xDF\xBF\xE0\xA0\x80", true},
        {Of({0xD7FF, 0xE000, 0xFFFD}), "\xED\x9F\xBF\xEE\x80\x80" + replacement, true},
        {Of({0x10000, 0x10FFFF}), "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", true},
        // Lone surrogates, and values no character has, never reach the bytes.
        {Of({'a', 0xD800, 'b'}), "a" + replacement + "b", false},
        {Of({0xDBFF, 0xDC00}), replacement + replacement, false},
        {Of({0x110000}), replacement, false},
        {Of({0xFFFFFFFF}), replacement, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.utf8));
        EXPECT_EQ(platform::Utf8(c.text), c.utf8);
        EXPECT_EQ(platform::IsUnicodeText(c.text), c.exact);
        if (c.exact) {
            EXPECT_EQ(platform::FromUtf8(c.utf8), c.text);
        }
    }
}

TEST(Text, EachByteThatStartsNoValidSequenceReadsAsTheReplacement) {
    const std::wstring r = Of({0xFFFD});
    struct Case {
        std::string utf8;
        std::wstring text;
    };
    const Case cases[] = {
        {"caf\xC3\xA9", L"caf" + Of({0xE9})},
        {"\x80"
         "a",
         r + L"a"},
        {"\xC3", r},
        {"\xC3"
         "a",
         r + L"a"},
        {"\xE2\x82", r + r},
        {"\xC0\xAF", r + r},
        {"\xE0\x80\x80", r + r + r},
        {"\xED\xA0\x80", r + r + r},
        {"\xF4\x90\x80\x80", r + r + r + r},
        {"\xF8\x88\x80\x80\x80", r + r + r + r + r},
        {"\xFF"
         "\xC3\xA9",
         r + Of({0xE9})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.utf8));
        EXPECT_EQ(platform::FromUtf8(c.utf8), c.text);
    }
}

} // namespace
