// The numbers of macro lines read exactly as sscanf and stream extraction read them.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "NumberScanner.h"

namespace {

const char* const texts[] = {"10 20",
                             " 7   8xyz",
                             "10",
                             "a b",
                             "10,20",
                             "",
                             " ",
                             "1 2 3",
                             "-3 300",
                             "+4 -5",
                             "4 5\r",
                             "\t1\n2",
                             "- 5 6",
                             "+-5 6",
                             "1-2",
                             "0x10 3",
                             "007 08",
                             "2147483647 -2147483648",
                             "2147483648 4294967297",
                             "99999999999999999999 -99999999999999999999",
                             "9223372036854775807 9223372036854775808",
                             "-9223372036854775808 -9223372036854775809",
                             "1.5 s",
                             "2.01 s",
                             "1e1 s",
                             "0.0015",
                             "s",
                             ".",
                             ".5",
                             "5.",
                             "-.5e-3",
                             "1e",
                             "1e+",
                             "1e s",
                             "inf",
                             "nan",
                             "infinity",
                             "0x1p3",
                             "1e400",
                             "-1e400",
                             "1e-400",
                             "+",
                             "-",
                             "1..2",
                             "1.2.3",
                             "00012",
                             "1,5",
                             "\v\f 3",
                             "1E2",
                             "e5",
                             ".e5",
                             "4294967.295 s"};

TEST(NumberScanner, PairsReadAsScanfReadsThem) {
    for (const char* text : texts) {
        int x = 0;
        int y = 0;
        const bool expected = std::sscanf(text, "%d %d", &x, &y) == 2;
        int a = 0;
        int b = 0;
        ASSERT_EQ(NumberScanner::ReadPair(text, a, b), expected) << text;
        if (expected) {
            EXPECT_EQ(a, x) << text;
            EXPECT_EQ(b, y) << text;
        }
    }
}

TEST(NumberScanner, DoublesReadAsStreamsReadThem) {
    for (const char* text : texts) {
        std::istringstream in(text);
        double expected = 0;
        in >> expected;
        double value = 0;
        ASSERT_EQ(NumberScanner::ReadDouble(text, value), !in.fail()) << text;
        if (!in.fail()) {
            EXPECT_EQ(value, expected) << text;
        }
    }
}

} // namespace
