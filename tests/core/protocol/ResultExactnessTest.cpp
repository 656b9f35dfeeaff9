// Faults found in the scoring and ordering of protocol texts: decimal ties decided by binary
// fractions, the code page's sort order, a lower-case "dis", totals that changed on a restart,
// and places left on rows without a result.
#include "ProtocolBuilder.h"
#include "protocol/ProtocolSort.h"
#include "protocol/Ranking.h"
#include "protocol/ResultText.h"
#include "protocol/RunEntry.h"
#include "protocol/Scoring.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

using test::MakeTable;

TEST(ResultExactness, TimeFaultsRoundTiesToEvenInTenthsAndHundredths) {
    struct Case {
        const char* time;
        int format;
        const char* timeFaults;
    };
    const Case cases[] = {
        {"60,35", 0, "0,4"},   {"60,45", 0, "0,4"},   {"60,25", 0, "0,2"},   {"61,15", 0, "1,2"},
        {"60,005", 1, "0,00"}, {"60,015", 1, "0,02"}, {"60,125", 1, "0,12"}, {"75,00", 1, "15,00"},
    };
    for (const Case& c : cases) {
        Settings settings;
        settings.TimeFormatIndex = c.format;
        ProtocolTable table = MakeTable({{{ColStartNr, "1"}, {ColTime1, c.time}}});
        RecalcRow(table, settings, 1);
        EXPECT_EQ(table.Cell(ColTimeFaults1, 1), c.timeFaults) << c.time;
    }
}

TEST(ResultExactness, SecondsTextIsConvertedExactly) {
    const std::pair<const char*, std::int64_t> cases[] = {
        {"2,0045", 2004}, {"2,0055", 2006}, {"2,00450001", 2005}, {"0,0005", 0}, {"0,0015", 2},
        {"45,07", 45070}, {"+1,5", 1500},   {" 3 ", 3000},        {"1,", 1000},  {",5", 500},
    };
    for (const auto& [text, ms] : cases)
        EXPECT_EQ(SecondsTextToMs(text, ','), ms) << text;
    EXPECT_EQ(SecondsTextToMs("2.0045", '.'), 2004);
}

TEST(ResultExactness, NamesSortByTheUpperCaseCodePageBytes) {
    ProtocolTable table = MakeTable({{{ColDogName, "šimon"}},
                                     {{ColDogName, "Äla"}},
                                     {{ColDogName, "Zora"}},
                                     {{ColDogName, "Šarik"}},
                                     {{ColDogName, "Œuvre"}},
                                     {{ColDogName, "œuvre"}},
                                     {{ColDogName, "ÿvo"}},
                                     {{ColDogName, "Ÿva"}}});
    SortRows(table, ColDogName, {}, false);
    EXPECT_EQ(test::ColumnTexts(table, ColDogName),
              (test::Texts{"Zora", "Šarik", "šimon", "Œuvre", "œuvre", "Ÿva", "ÿvo", "Äla"}));
}

TEST(ResultExactness, LowerCaseDisIsNoResultAndGetsNoPlace) {
    Settings settings = test::Hundredths();
    ProtocolTable table = MakeTable({{{ColStartNr, "1"}, {ColTime1, "dis"}, {ColFaults1, "0"}},
                                     {{ColStartNr, "2"}, {ColTime1, "31,00"}, {ColFaults1, "0"}}});
    EXPECT_TRUE(IsNoResult("dis") && IsNoResult("Dis"));
    RecalcRow(table, settings, 0);
    SortState sort;
    Ranking ranking;
    RecalcPlaces(table, settings, sort, ranking);
    EXPECT_EQ(table.Cell(ColStartNr, 1), "2");
    EXPECT_EQ(table.Cell(ColPlace, 1), "1");
    EXPECT_EQ(table.Cell(ColTotal1, 2), "");
    EXPECT_EQ(table.Cell(ColPlace, 2), "");
}

TEST(ResultExactness, TotalOfATimeThatIsNoNumberSurvivesARecompute) {
    Settings settings = test::Hundredths();
    ProtocolTable table;
    SortState sort;
    Ranking ranking;
    LaneInputs lane{true, false, "4", "1", "0", "2,00", "31,2 / 31,4"};
    ASSERT_TRUE(EnterRunIntoProtocol(table, settings, sort, ranking, {lane, LaneInputs{}}).ok);
    EXPECT_EQ(table.Cell(ColTotal1, 1), "7,00");
    RecalcRow(table, settings, 0);
    EXPECT_EQ(table.Cell(ColTotal1, 1), "7,00");
    EXPECT_EQ(table.Cell(ColTimeFaults1, 1), "2,00");
}

TEST(ResultExactness, RowsWithoutAResultLoseAStalePlace) {
    Settings settings = test::Hundredths();
    ProtocolTable table = MakeTable({{{ColStartNr, "1"}, {ColPlace, "3"}},
                                     {{ColStartNr, "2"}, {ColTime1, "DIS"}, {ColPlace, "-"}},
                                     {{ColStartNr, "3"}, {ColTime1, "30,00"}, {ColTotal1, "0,00"}}});
    SortState sort;
    Ranking ranking;
    RecalcPlaces(table, settings, sort, ranking);
    EXPECT_EQ(test::ColumnTexts(table, ColPlace), (test::Texts{"1", "DIS", ""}));
}

} // namespace
} // namespace caniparc
