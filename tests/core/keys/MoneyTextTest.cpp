// Reading typed numbers and money texts, and the money format, as tables of spellings.

#include <gtest/gtest.h>

#include "core/keys/MoneyText.h"

using namespace vantor::keys;

TEST(MoneyText, ReadsWhatTheMoneyFormatWritesAndPlainNumbers) {
    const struct {
        const char* text;
        double value;
    } cases[] = {{"12", 12},
                 {"12.5", 12.5},
                 {" 7 ", 7},
                 {".5", 0.5},
                 {"$2.50", 2.5},
                 {"$1,234.56", 1234.56},
                 {"-$0.50", -0.5},
                 {"$-0.50", -0.5},
                 {"-1", -1},
                 {"+3", 3},
                 {"$9,999.99", 9999.99},
                 {"1,000,000", 1e6},
                 {"$0.00", 0},
                 {"5.", 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto value = readNumber(c.text);
        ASSERT_TRUE(value.has_value());
        EXPECT_DOUBLE_EQ(*value, c.value);
    }
}

TEST(MoneyText, RefusesTextsThatAreNoNumbers) {
    for (const char* text : {"", " ", "abc", "12a", "$", "-", "1.2.3", ",12", "12,", "1,,2", "$$1", "--1",
                             "1 2", "0x10", "1e3", "12.5$", "nan", "inf"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(readNumber(text).has_value());
    }
}

TEST(MoneyText, FormatsDollarsWithSeparatorsAndTwoDecimals) {
    EXPECT_EQ(formatMoney(0), "$0.00");
    EXPECT_EQ(formatMoney(1), "$1.00");
    EXPECT_EQ(formatMoney(2.5), "$2.50");
    EXPECT_EQ(formatMoney(1234.56), "$1,234.56");
    EXPECT_EQ(formatMoney(999.999), "$1,000.00");
    EXPECT_EQ(formatMoney(1234567), "$1,234,567.00");
    EXPECT_EQ(formatMoney(-0.5), "-$0.50");
    EXPECT_EQ(formatMoney(static_cast<float>(9999.99)), "$9,999.99");
    EXPECT_EQ(formatMoney(-0.001), "$0.00");
}

TEST(MoneyText, UsesTheUsersSeparatorsBothWays) {
    const NumberFormat german{",", "."};
    EXPECT_EQ(formatMoney(1234.5, german), "$1.234,50");
    EXPECT_DOUBLE_EQ(*readNumber("$1.234,50", german), 1234.5);
    EXPECT_DOUBLE_EQ(*readNumber("12,5", german), 12.5);
    const NumberFormat french{",", "\u202f"};
    EXPECT_DOUBLE_EQ(*readNumber(formatMoney(9876.5, french), french), 9876.5);
}

TEST(MoneyText, WholeNumbersRoundHalfToEvenWithin16Bits) {
    EXPECT_EQ(toInt16(12.5), 12);
    EXPECT_EQ(toInt16(13.5), 14);
    EXPECT_EQ(toInt16(12.51), 13);
    EXPECT_EQ(toInt16(-2.5), -2);
    EXPECT_EQ(toInt16(32767), 32767);
    EXPECT_EQ(toInt16(32767.4), 32767);
    EXPECT_FALSE(toInt16(32767.5).has_value());
    EXPECT_EQ(toInt16(-32768), -32768);
    EXPECT_FALSE(toInt16(-32769).has_value());
    EXPECT_FALSE(toInt16(1e300).has_value());
}
