// Result texts: placeholders, milliseconds, the order of result cells, start-number lookup.
#include "protocol/ResultText.h"
#include "protocol/ProtocolTable.h"

#include <gtest/gtest.h>

#include <tuple>

namespace caniparc {
namespace {

class CompareResultTextOrder : public ::testing::TestWithParam<std::tuple<const char*, const char*, int>> {};

TEST_P(CompareResultTextOrder, ComparesByClassThenBytesBothWays) {
    const auto& [a, b, expected] = GetParam();
    EXPECT_EQ(CompareResultText(a, b), expected) << a << " vs " << b;
    EXPECT_EQ(CompareResultText(b, a), -expected) << b << " vs " << a;
}

INSTANTIATE_TEST_SUITE_P(Classes, CompareResultTextOrder,
                         ::testing::Values(std::make_tuple("9,50", "10,20", -1), std::make_tuple("10,20", "10,20", 0),
                                           std::make_tuple("DIS", "125,00", 1), std::make_tuple("-", "DIS", 1),
                                           std::make_tuple("  ", "-", 1), std::make_tuple("dis", "99999,99", 1),
                                           // Long texts stay before the placeholders instead of mixing with them.
                                           std::make_tuple("99999999999999999999", "DIS", -1),
                                           std::make_tuple("123,45 / 130,07 / 131,2", "", -1)));

TEST(ResultText, PlaceholdersAndMillisecondsOfOddTexts) {
    EXPECT_TRUE(IsNoResult(" ") && IsNoResult("-") && IsNoResult("DIS"));
    EXPECT_FALSE(IsNoResult("0,00"));
    EXPECT_EQ(SecondsTextToMs("45,07", ','), 45070);
    EXPECT_EQ(SecondsTextToMs("45,07", '.'), 45070); // time texts always carry a comma
    EXPECT_EQ(SecondsTextToMs("0,0005", ','), 0);    // half to even
    EXPECT_EQ(SecondsTextToMs("0,0015", ','), 2);
    for (const char* junk : {"", "DIS", "nan", "1e309", "12,3,4", "-0"})
        EXPECT_EQ(SecondsTextToMs(junk, ','), 0) << junk;
    EXPECT_GT(SecondsTextToMs("99999999999999999999", ','), 0); // saturates, does not wrap
}

TEST(ResultText, FindStartRowMatchesTheWholeTextOfDataRowsOnly) {
    ProtocolTable table;
    table.SetRowCount(4);
    for (const auto& [row, text] : {std::pair{0, "7"}, {1, "07"}, {2, " 7"}, {3, "7"}})
        table.SetCell(ColStartNr, row, text);
    EXPECT_EQ(table.FindStartRow("7"), 3);
    EXPECT_EQ(table.FindStartRow("8"), -1);
}

} // namespace
} // namespace caniparc
