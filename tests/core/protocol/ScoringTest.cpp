// What a run is worth, and the recomputation of rows from their cells.
#include "protocol/Scoring.h"
#include "ProtocolBuilder.h"
#include "common/NumberText.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

using namespace test;

TEST(RunKey, TimeFaultsRankBeforeFaultsAndLargeTotalsDoNotWrap) {
    const RunFaults timeFaults{0, 0, 5.0}, oneFault{1, 0, 0.0}, mixed{2, 1, 3.2};
    EXPECT_EQ(RunKey(RunTotal(timeFaults, 5), timeFaults), 500000);
    EXPECT_EQ(RunKey(RunTotal(oneFault, 5), oneFault), 500001);
    EXPECT_EQ(RunKey(RunTotal(mixed, 5), mixed), 1820003);
    EXPECT_EQ(RunKey(30000.0, {}), 3000000000);
    EXPECT_GT(RunKey(1e300, {999, 999, 1e300}), RunKey(30000.0, {}));
    EXPECT_EQ(GradeFor(5.99, Settings{}), "Vorzüglich");
    EXPECT_EQ(GradeFor(6.0, Settings{}), "Sehr gut");
    EXPECT_EQ(GradeFor(26.0, Settings{}), "Ohne");
}

TEST(RecalcRow, TimeFaultsFollowTheTimeAndDisqualifiedRowsKeepTheirDashes) {
    auto settings = Hundredths();
    auto table = MakeTable({{{ColTime1, "75,00"}, {ColFaults1, "1"}, {ColTimeFaults1, "2,00"}},
                            {{ColTime1, "60,00"}, {ColTimeFaults1, "4,00"}},
                            {{ColTime1, "DIS"},
                             {ColFaults1, "-"},
                             {ColTimeFaults1, "-"},
                             {ColTotal1, "-"},
                             {ColGrade, "-"},
                             {ColSpeed, "-"},
                             {ColSortKey, "123"}},
                            {{ColTime1, "-31,20"}, {ColTimeFaults1, "3,00"}, {ColSpeed, "-0"}}});
    const auto disqualified = table.RowAt(3);
    RecalcRow(table, settings, 0);
    EXPECT_EQ(table.RowAt(1), (ProtocolTable::Row{"", "", "", "", "", "75,00", "1",   "",     "15,00", "20,00",
                                                  "", "", "", "", "", "",      "Gut", "2,40", "",      "2000001"}));
    EXPECT_EQ(table.Cell(ColTimeFaults1, 2), "0,00");
    for (int col = 0; col < ColSortKey; ++col)
        EXPECT_EQ(table.Cell(col, 3), disqualified[col]) << col;
    EXPECT_EQ(table.Cell(ColSortKey, 3), "0");
    EXPECT_EQ(ColumnTexts(table, ColTime1)[3], "-"); // a negative time is a cancelled value
    EXPECT_EQ(table.Cell(ColTimeFaults1, 4), "");    // and time faults without a time go
    settings.TimeFormatIndex = 0;
    RecalcRow(table, settings, 2);
    EXPECT_EQ(table.Cell(ColTimeFaults1, 2), "0,0");
}

TEST(RecalcRow, TwoRunsSumTheKeysAndGradeTheLastRunWithATime) {
    auto settings = Hundredths();
    settings.LaufCount = 2;
    auto table = MakeTable({{{ColTime1, "50,00"}, {ColFaults1, "1"}, {ColTime2, "45,00"}, {ColFaults2, "0"}},
                            {{ColTime1, "40,00"}, {ColFaults1, "2"}}});
    RecalcRow(table, settings, 0);
    EXPECT_EQ(table.Cell(ColSortKey, 1), "500001");
    EXPECT_EQ(table.Cell(ColGrade, 1), "Vorzüglich");
    EXPECT_EQ(table.Cell(ColSpeed, 1), "4,00");
    EXPECT_EQ(table.Cell(ColGrade, 2), "Sehr gut"); // run 1 only: its grade and speed stay
    EXPECT_EQ(table.Cell(ColSpeed, 2), "4,50");
    EXPECT_EQ(table.Cell(ColTotal2, 2), "");
}

TEST(RecalcRow, AbsurdCellsGiveANonNegativeKeyAndNoCrash) {
    for (const char* junk : {"1e309", "nan", "-0", "99999999999999999999", "1e300", "9223372036854775807", "abc"}) {
        auto table = MakeTable({{{ColTime1, junk},
                                 {ColFaults1, junk},
                                 {ColRefusals1, junk},
                                 {ColTimeFaults1, junk},
                                 {ColTime2, junk},
                                 {ColFaults2, junk}}});
        RecalcRow(table, Hundredths(), 1);
        const auto key = ParseInteger(table.Cell(ColSortKey, 1));
        ASSERT_TRUE(key.has_value()) << junk;
        EXPECT_GE(*key, 0) << junk;
    }
}

} // namespace
} // namespace caniparc
