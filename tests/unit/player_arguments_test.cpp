// The player's command-line splitting: what a shortcut, the device's shell or a person writes
// becomes the module path and the arguments the player acts on.
#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "Arguments.h"

namespace {

using Arguments = std::vector<std::wstring>;

const std::wstring module = L"\\Program Files\\Tapweave\\Player.exe";

Arguments Split(const std::wstring& commandLine) {
    return SplitArguments(module, commandLine);
}

TEST(PlayerArguments, QuotesGroupWhiteSpaceAndAreRemoved) {
    // As a macro shortcut writes the name.
    EXPECT_EQ(Split(L"\"My Macro\""), (Arguments{module, L"My Macro"}));
    // Three spaces in quotes stay three spaces; two quotes alone are an empty name.
    EXPECT_EQ(Split(L"\"   \""), (Arguments{module, L"   "}));
    EXPECT_EQ(Split(L"\"\""), (Arguments{module, L""}));
    // Quotes inside a word switch the quoting without ending the argument.
    EXPECT_EQ(Split(L"Sum\"mer Ma\"cro"), (Arguments{module, L"Summer Macro"}));
    EXPECT_EQ(Split(L"a\"\"b"), (Arguments{module, L"ab"}));
    // A quote left open runs to the end, white space included.
    EXPECT_EQ(Split(L"\"My Macro"), (Arguments{module, L"My Macro"}));
    EXPECT_EQ(Split(L"\"My Macro  \t"), (Arguments{module, L"My Macro  \t"}));
    // No escapes: a backslash is a character, and it does not protect a quote.
    EXPECT_EQ(Split(L"\"a\\\" b\\c"), (Arguments{module, L"a\\", L"b\\c"}));
}

TEST(PlayerArguments, WhiteSpaceOfAnyKindSeparatesOnce) {
    // Every program of the device reads its text in the UTF-8 locale the platform sets.
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    EXPECT_EQ(Split(L""), (Arguments{module}));
    EXPECT_EQ(Split(L" \t\r\n "), (Arguments{module}));
    // An unquoted name with a space is two arguments, which the player ignores.
    EXPECT_EQ(Split(L"My Macro"), (Arguments{module, L"My", L"Macro"}));
    EXPECT_EQ(Split(L"\t My \n\n Macro\v\f"), (Arguments{module, L"My", L"Macro"}));
    EXPECT_EQ(Split(L"\"A\" \"B\""), (Arguments{module, L"A", L"B"}));
    EXPECT_EQ(Split(L"\"\" \"\""), (Arguments{module, L"", L""}));
    // Wide white space of the space class separates too; other letters are kept as they are.
    EXPECT_EQ(Split(L"Запись\u2003Два"), (Arguments{module, L"Запись", L"Два"}));
    EXPECT_EQ(Split(L"\"Запись\u2003Два\""), (Arguments{module, L"Запись\u2003Два"}));
}

} // namespace
