// Row commands of the protocol: disqualification placeholders, bonus, deleted results, new and
// removed rows.
#include "protocol/ProtocolEdit.h"
#include "ProtocolBuilder.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

using test::MakeTable;

TEST(ProtocolEdit, DisqualifyingARowCancelsRunOneAndTheBonusButKeepsRunTwo) {
    ProtocolTable table = MakeTable({{{ColStartNr, "5"},
                                      {ColTime1, "31,20"},
                                      {ColFaults1, "1"},
                                      {ColRefusals1, "0"},
                                      {ColTimeFaults1, "0,00"},
                                      {ColTotal1, "5,00"},
                                      {ColTime2, "33,00"},
                                      {ColTotal2, "0,00"},
                                      {ColBonus, "+"},
                                      {ColGrade, "Vorzüglich"},
                                      {ColSpeed, "5,77"},
                                      {ColPlace, "1"}}});
    DisqualifyRowCells(table, 1);
    EXPECT_EQ(
        test::Texts(table.RowAt(1).begin(), table.RowAt(1).end() - 1),
        (test::Texts{"5", "", "", "", "", "DIS", "-", "-", "-", "-", "33,00", "", "", "", "0,00", "", "-", "-", "-"}));
}

TEST(ProtocolEdit, StarterRowIsFoundOrTakesTheEmptyRowOrIsAppended) {
    ProtocolTable table;
    EXPECT_EQ(FindOrMakeStarterRow(table, "7"), 1);
    EXPECT_EQ(FindOrMakeStarterRow(table, "7"), 1);
    EXPECT_EQ(FindOrMakeStarterRow(table, "8"), 2);
    EXPECT_EQ(table.Cell(ColStartNr, 2), "8");
}

TEST(ProtocolEdit, BonusToggleAndSet) {
    ProtocolTable table = MakeTable({{{ColStartNr, "1"}}});
    ToggleBonus(table, 1);
    EXPECT_EQ(table.Cell(ColBonus, 1), "+");
    ToggleBonus(table, 1);
    EXPECT_EQ(table.Cell(ColBonus, 1), "");
    table.SetCell(ColBonus, 1, "x");
    ToggleBonus(table, 1);
    EXPECT_EQ(table.Cell(ColBonus, 1), "+");
    SetBonus(table, 1, false);
    EXPECT_EQ(table.Cell(ColBonus, 1), "");
}

TEST(ProtocolEdit, DeleteResultsKeepsTheStarter) {
    ProtocolTable table =
        MakeTable({{{ColStartNr, "1"}, {ColDogName, "Asta"}, {ColTime1, "30,0"}, {ColPlace, "1"}, {ColSortKey, "0"}}});
    DeleteResults(table, 1);
    EXPECT_EQ(table.Cell(ColDogName, 1), "Asta");
    for (int col = ColTime1; col <= ColSortKey; ++col)
        EXPECT_EQ(table.Cell(col, 1), "") << col;
}

TEST(ProtocolEdit, NewRowTakesTheNumberOfTheFirstRowWithoutTime) {
    ProtocolTable table = MakeTable({{{ColStartNr, "1"}, {ColTime1, "30,0"}},
                                     {{ColStartNr, "2"}, {ColTime1, "30,0"}},
                                     {{ColStartNr, "3"}, {ColTime1, "30,0"}},
                                     {{ColStartNr, "4"}, {ColTime1, "30,0"}}});
    EXPECT_EQ(AddStarterRow(table), 5);
    EXPECT_EQ(table.Cell(ColStartNr, 5), "5");
    table.SetCell(ColStartNr, 5, "");
    EXPECT_EQ(AddStarterRow(table), 5) << "an empty last row is used instead of appending";
    EXPECT_EQ(table.RowCount(), 6);

    ProtocolTable fresh;
    EXPECT_EQ(AddStarterRow(fresh), 1);
    EXPECT_EQ(fresh.Cell(ColStartNr, 1), "1");
}

TEST(ProtocolEdit, RemovingTheOnlyRowEmptiesIt) {
    ProtocolTable table = MakeTable({{{ColStartNr, "1"}, {ColTime1, "30,0"}}});
    EXPECT_EQ(RemoveStarterRow(table, 1), 1);
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(table.Cell(ColStartNr, 1), "");
    ProtocolTable three = MakeTable({{{ColStartNr, "1"}}, {{ColStartNr, "2"}}, {{ColStartNr, "3"}}});
    EXPECT_EQ(RemoveStarterRow(three, 3), 2) << "the last row goes: the new last row is selected";
    EXPECT_EQ(RemoveStarterRow(three, 1), 1);
    EXPECT_EQ(three.Cell(ColStartNr, 1), "2");
}

} // namespace
} // namespace caniparc
