#include <gtest/gtest.h>

#include <cmath>

#include "common/numbers.h"

using namespace korvane::common;

TEST(NumberPatterns, FixedDecimals) {
    EXPECT_EQ(format_0_00(2543210.456), "2543210.46");
    EXPECT_EQ(format_0_00(548900), "548900.00");
    EXPECT_EQ(format_0_00(0.5), "0.50");
    EXPECT_EQ(format_0_0(2543210.46), "2543210.5");
    EXPECT_EQ(format_0_0(548900.2), "548900.2");
    EXPECT_EQ(format_0_8(548213.7), "548213.70000000");
    EXPECT_EQ(format_0_8(0.000000004), "0.00000000");
    EXPECT_EQ(format_0_8(0.000000005), "0.00000001");
    EXPECT_EQ(format_number(2543, ".00"), "2543.00");
    EXPECT_EQ(format_number(0.5, ".00"), ".50");
    EXPECT_EQ(format_number(0, "0"), "0");
}

TEST(NumberPatterns, HalvesRoundAwayFromZero) {
    EXPECT_EQ(format_0_00(0.125), "0.13");
    EXPECT_EQ(format_0_00(-0.125), "-0.13");
    // 2.675 is stored as 2.67499999...; its 15-digit form 2.675 rounds up.
    EXPECT_EQ(format_0_00(2.675), "2.68");
    EXPECT_EQ(format_0_00(1.005), "1.01");
    EXPECT_EQ(format_0_0(0.05), "0.1");
    EXPECT_EQ(format_0_0(0.25), "0.3");
    EXPECT_EQ(format_0_0(-0.25), "-0.3");
    EXPECT_EQ(format_00(2.5), "03");
    EXPECT_EQ(format_00(-2.5), "-03");
    EXPECT_EQ(format_0_00(9.995), "10.00");
    EXPECT_EQ(format_0_00(999999.995), "1000000.00");
}

TEST(NumberPatterns, NegativeNumbers) {
    EXPECT_EQ(format_0_00(-548213.714), "-548213.71");
    EXPECT_EQ(format_0_00(-0.5), "-0.50");
    // Rounding to zero drops the sign.
    EXPECT_EQ(format_0_00(-0.004), "0.00");
    EXPECT_EQ(format_00(-0.4), "00");
}

TEST(NumberPatterns, IntegerDigits) {
    EXPECT_EQ(format_00(1), "01");
    EXPECT_EQ(format_00(12), "12");
    EXPECT_EQ(format_00(100), "100");  // three digits stay whole
    EXPECT_EQ(format_00(0), "00");
    EXPECT_EQ(format_0_00(1e20), "100000000000000000000.00");
    EXPECT_THROW(format_number(1, "#,##0.00"), std::invalid_argument);
    EXPECT_THROW(format_number(1, ""), std::invalid_argument);
}

TEST(NumberPatterns, RoundHalfAway) {
    EXPECT_EQ(round_half_away(36000.5), 36001);
    EXPECT_EQ(round_half_away(-2.5), -3);
    EXPECT_DOUBLE_EQ(round_half_away(2.675, 2), 2.68);
}

TEST(PlainNumberText, FifteenSignificantDigitsNoTrailingZeros) {
    EXPECT_EQ(number_to_text(2543210.5), "2543210.5");
    EXPECT_EQ(number_to_text(548900.0), "548900");
    EXPECT_EQ(number_to_text(0.75), "0.75");
    EXPECT_EQ(number_to_text(-12.25), "-12.25");
    EXPECT_EQ(number_to_text(0.1 + 0.2), "0.3");
    EXPECT_EQ(number_to_text(39548213.123456789), "39548213.1234568");
    EXPECT_EQ(number_to_text(123456789012345.0), "123456789012345");
    EXPECT_EQ(number_to_text(-0.0), "0");
    EXPECT_EQ(number_to_text(0.0001), "0.0001");
    EXPECT_EQ(number_to_text(2.0), "2");
    EXPECT_EQ(number_to_text(9999LL + 1), "10000");
}

TEST(PlainNumberText, ExponentForHugeAndTiny) {
    EXPECT_EQ(number_to_text(1e15), "1E+15");
    EXPECT_EQ(number_to_text(1e16), "1E+16");
    EXPECT_EQ(number_to_text(1234567890123456.0), "1.23456789012346E+15");
    EXPECT_EQ(number_to_text(0.00001), "1E-05");
    EXPECT_EQ(number_to_text(2.5e-7), "2.5E-07");
    EXPECT_EQ(number_to_text(-1e300), "-1E+300");
}

TEST(Val, ReadsTheLeadingNumber) {
    EXPECT_EQ(val("12abc"), 12);
    EXPECT_EQ(val("abc"), 0);
    EXPECT_EQ(val(""), 0);
    EXPECT_EQ(val(" 1 2"), 12);
    EXPECT_EQ(val("120819"), 120819);
    EXPECT_EQ(val("-1"), -1);
    EXPECT_EQ(val("+7"), 7);
    EXPECT_EQ(val("1.2.3"), 1.2);
    EXPECT_EQ(val(".5"), 0.5);
    EXPECT_EQ(val("1,5"), 1);
    EXPECT_EQ(val("1e3x"), 1000);
    EXPECT_EQ(val("2D2"), 200);
    EXPECT_EQ(val("1e"), 1);
    EXPECT_EQ(val("-"), 0);
    EXPECT_EQ(val("\t\n 9\t9"), 99);
    EXPECT_EQ(val("9\r9"), 9);  // CR is not skipped
    EXPECT_EQ(val("&H1F"), 31);
    EXPECT_EQ(val("&HFFFF"), -1);
    EXPECT_EQ(val("&H10000"), 65536);
    EXPECT_EQ(val("&O17"), 15);
    EXPECT_EQ(val("&"), 0);
}

TEST(StrictNumber, AcceptsOnlyWholeNumbers) {
    EXPECT_EQ(to_number("1"), 1.0);
    EXPECT_EQ(to_number(" 9998 "), 9998.0);
    EXPECT_EQ(to_number("-2.5e2"), -250.0);
    EXPECT_EQ(to_number("1."), 1.0);
    EXPECT_EQ(to_number(".5"), 0.5);
    EXPECT_EQ(to_number("&HFF"), 255.0);
    EXPECT_FALSE(to_number("12abc"));
    EXPECT_FALSE(to_number(""));
    EXPECT_FALSE(to_number("  "));
    EXPECT_FALSE(to_number("abc"));
    EXPECT_FALSE(to_number("1 2"));
    EXPECT_FALSE(to_number("1e"));
    EXPECT_FALSE(to_number("."));
    EXPECT_FALSE(to_number("1,000"));
    EXPECT_TRUE(is_numeric("9999"));
    EXPECT_FALSE(is_numeric("九"));
}
