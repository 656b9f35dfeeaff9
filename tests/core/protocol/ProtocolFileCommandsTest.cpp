// The protocol commands the tool bar offers for the protocol as it stands, and "new protocol".
#include "protocol/ProtocolCommands.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

ProtocolTable NewTable() {
    ProtocolTable table;
    WriteColumnTitles(table);
    return table;
}

TEST(ProtocolCommands, OnlyBlanksInTheFirstRow_IsNoData_AnyOtherCellIs) {
    ProtocolTable table = NewTable();
    ProtocolCommandContext context{.spreadsheetAvailable = true, .documentAvailable = true};
    EXPECT_FALSE(UpdateProtocolCommands(table, context).save);
    table.SetCell(ColClub, 1, "  ");
    table.SetCell(ColTime1, 1, "\t");
    EXPECT_FALSE(UpdateProtocolCommands(table, context).clear);

    table.SetCell(ColCategory, 1, "Small");
    const ProtocolCommandState state = UpdateProtocolCommands(table, context);
    EXPECT_TRUE(state.clear && state.print && state.save && state.web && state.places);
    EXPECT_TRUE(state.spreadsheet && state.document);

    context.spreadsheetAvailable = false;
    EXPECT_FALSE(UpdateProtocolCommands(table, context).spreadsheet);
    EXPECT_TRUE(UpdateProtocolCommands(table, context).document);

    table.SetRowCount(1);
    EXPECT_FALSE(UpdateProtocolCommands(table, context).holdsData);
}

TEST(NewProtocol, KeepsTheHeaderAndOneEmptyRow_BestTimeResetOnlyInOneLaneSchemes) {
    ProtocolTable table = NewTable();
    table.SetCell(ColDogName, 0, "Hund");
    table.SetRowCount(5);
    table.SetCell(ColStartNr, 1, "12");
    const NewProtocolReset reset = NewProtocol(table, 1);
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(table.Cell(ColStartNr, 1), "");
    EXPECT_EQ(table.Cell(ColDogName, 0), "Hund");
    EXPECT_EQ(reset.lane1StartNumber, 1);
    EXPECT_EQ(reset.lane2StartNumber, 2);
    EXPECT_TRUE(reset.resetBestTime);
    EXPECT_FALSE(NewProtocol(table, 2).resetBestTime);
}

} // namespace
} // namespace caniparc
