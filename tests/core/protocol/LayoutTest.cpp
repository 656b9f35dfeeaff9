// Colour bands, alignments and column widths of the protocol grid.
#include "protocol/ProtocolLayout.h"
#include "protocol/ProtocolTable.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

TEST(ColumnWidths, FollowThePercentTablesAt1000Pixels) {
    EXPECT_EQ(ColumnWidths(1000, 1, false),
              (std::array<int, 20>{39, 119, 208, 119, 59, 59, 49, 49, 59, 59, -1, -1, -1, -1, -1, -1, 69, 49, 49, -1}));
    EXPECT_EQ(ColumnWidths(1000, 2, true),
              (std::array<int, 20>{39, 79, 128, 59, 49, 49, 39, 39, 49, 49, 49, 39, 39, 49, 49, 19, 59, 49, 49, -1}));
    EXPECT_EQ(ColumnWidths(1050, 2, false)[ColTime1], 51); // 52,5 rounds to even
    EXPECT_EQ(ColumnWidths(-5, 1, false)[ColStartNr], -1);
}

TEST(CellFormat, BandsSkipTheSelectedRowAndTheSortKeyStaysUnreadable) {
    const CellColors grid{{255, 255, 255}, {0, 0, 0}};
    EXPECT_EQ(FormatCell(ColTotal1, 2, 1, grid).brush, BandRun1);
    EXPECT_EQ(FormatCell(ColBonus, 2, 1, grid).brush, BandRun2);
    EXPECT_EQ(FormatCell(ColPlace, 2, 1, grid).brush, BandResult);
    EXPECT_EQ(FormatCell(ColCategory, 2, 1, grid).brush, grid.brush);
    EXPECT_EQ(FormatCell(ColTotal1, 1, 1, grid).brush, grid.brush);
    EXPECT_EQ(FormatCell(ColTotal1, 0, 1, grid).brush, grid.brush);
    EXPECT_EQ(FormatCell(ColSortKey, 1, 1, {{1, 2, 3}, {0, 0, 0}}).font, (Rgb{1, 2, 3}));
    EXPECT_EQ(FormatCell(ColTime1, 0, 1, grid).align, HAlign::Left);
    EXPECT_EQ(FormatCell(ColTime1, 2, 1, grid).align, HAlign::Right);
    EXPECT_EQ(FormatCell(ColGrade, 2, 1, grid).align, HAlign::Left);
    EXPECT_EQ(FormatCell(ColBonus, 0, 1, grid).align, HAlign::Center);
}

} // namespace
} // namespace caniparc
