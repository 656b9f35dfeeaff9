// Sorting the protocol rows and the column-title clicks.
#include "protocol/ProtocolSort.h"
#include "ProtocolBuilder.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

using namespace test;

TEST(SortRows, SecondaryKeysThenPreviousOrderInBothDirectionsHeaderStays) {
    auto table = MakeTable({{{ColStartNr, "a"}, {ColTotal1, "5,00"}, {ColSortKey, "500001"}},
                            {{ColStartNr, "b"}, {ColTotal1, "0,00"}, {ColSortKey, "0"}},
                            {{ColStartNr, "c"}, {ColTotal1, "5,00"}, {ColSortKey, "500000"}},
                            {{ColStartNr, "d"}, {ColTotal1, "5,00"}, {ColSortKey, "500001"}}});
    const int keys[] = {ColSortKey};
    EXPECT_EQ(SortRows(table, ColTotal1, keys, false), (std::vector<int>{0, 3, 1, 2, 4}));
    EXPECT_EQ(ColumnTexts(table, ColStartNr), (Texts{"b", "c", "a", "d"}));
    SortRows(table, ColTotal1, keys, true);
    EXPECT_EQ(ColumnTexts(table, ColStartNr), (Texts{"a", "d", "c", "b"}));
    EXPECT_EQ(table.Cell(ColStartNr, 0), "Nr.");
}

TEST(SortRows, EachColumnSortsInItsOwnStyle) {
    auto table = MakeTable({{{ColStartNr, "10"}, {ColDogName, "ella"}, {ColTime1, "DIS"}},
                            {{ColStartNr, "9"}, {ColDogName, "Änne"}, {ColTime1, "31,20"}},
                            {{ColStartNr, "B2"}, {ColDogName, "Bodo"}, {ColTime1, ""}},
                            {{ColStartNr, "2"}, {ColDogName, "anton"}, {ColTime1, "-"}}});
    SortRows(table, ColStartNr, {}, false);
    EXPECT_EQ(ColumnTexts(table, ColStartNr), (Texts{"2", "9", "10", "B2"}));
    SortRows(table, ColDogName, {}, false);
    EXPECT_EQ(ColumnTexts(table, ColDogName), (Texts{"anton", "Bodo", "ella", "Änne"}));
    SortRows(table, ColTime1, {}, false);
    EXPECT_EQ(ColumnTexts(table, ColTime1), (Texts{"31,20", "DIS", "-", ""}));
}

TEST(ColumnTitleClick, OffUntilEnabledThenSecondClickReverses) {
    auto table = MakeTable({{{ColStartNr, "2"}}, {{ColStartNr, "1"}}, {{ColStartNr, "3"}}});
    SortState state;
    EXPECT_FALSE(ClickColumnTitle(table, state, ColStartNr));
    state = {true, ColTotal1, false, {ColSortKey}};
    ClickColumnTitle(table, state, ColStartNr);
    EXPECT_EQ(ColumnTexts(table, ColStartNr), (Texts{"1", "2", "3"}));
    ClickColumnTitle(table, state, ColStartNr);
    EXPECT_EQ(ColumnTexts(table, ColStartNr), (Texts{"3", "2", "1"}));
    ClickColumnTitle(table, state, ColDogName);
    EXPECT_FALSE(state.descending); // another column starts ascending
}

} // namespace
} // namespace caniparc
