// Decimal texts with either separator, and the rounding rule shared by all time conversions.
#include "common/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace caniparc {
namespace {

TEST(FormatFixed, UsesTheGivenSeparatorAndDecimals) {
    EXPECT_EQ(FormatFixed(1.37, 2, ','), "1,37");
    EXPECT_EQ(FormatFixed(1.37, 2, '.'), "1.37");
    EXPECT_EQ(FormatFixed(61.0, 1, ','), "61,0");
    EXPECT_EQ(FormatFixed(0.0, 2, ','), "0,00");
    EXPECT_EQ(FormatFixed(123456.789, 2, ','), "123456,79");
}

TEST(FormatFixed, NeverWritesNegativeZeroOrNonFiniteValues) {
    EXPECT_EQ(FormatFixed(-0.0, 2, ','), "0,00");
    EXPECT_EQ(FormatFixed(-0.001, 2, ','), "0,00");
    EXPECT_EQ(FormatFixed(std::nan(""), 1, ','), "0,0");
    EXPECT_EQ(FormatFixed(std::numeric_limits<double>::infinity(), 1, ','), "0,0");
}

TEST(ParseDecimal, AcceptsTheLocaleSeparatorAndAlwaysTheComma) {
    EXPECT_DOUBLE_EQ(*ParseDecimal("45,07", '.'), 45.07);
    EXPECT_DOUBLE_EQ(*ParseDecimal("45.07", '.'), 45.07);
    EXPECT_DOUBLE_EQ(*ParseDecimal(" 45,07 ", ','), 45.07);
    EXPECT_DOUBLE_EQ(*ParseDecimal("-3", ','), -3.0);
    EXPECT_FALSE(ParseDecimal("45.07", ',')) << "a point is not a decimal separator under a comma locale";
}

TEST(ParseDecimal, RejectsTextsThatAreNoFiniteNumber) {
    for (const char* text : {"", " ", "-", "DIS", "1,2,3", "12a", "nan", "inf", "1e309", "0x10", "1 2"})
        EXPECT_FALSE(ParseDecimal(text, ',')) << text;
}

TEST(ParseInteger, ReadsWholeTextsIn64Bits) {
    EXPECT_EQ(*ParseInteger(" 42 "), 42);
    EXPECT_EQ(*ParseInteger("-7"), -7);
    EXPECT_FALSE(ParseInteger("99999999999999999999"));
    EXPECT_FALSE(ParseInteger("4,2"));
    EXPECT_FALSE(ParseInteger(""));
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbourAndExtremesSaturate) {
    EXPECT_EQ(RoundHalfEven(12.5), 12);
    EXPECT_EQ(RoundHalfEven(13.5), 14);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.500001), 3);
    EXPECT_EQ(RoundHalfEven(1e300), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
}

} // namespace
} // namespace caniparc
