// Entering a finished run into the protocol.
#include "protocol/RunEntry.h"
#include "ProtocolBuilder.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

using namespace test;

LaneInputs Lane(std::string nr, std::string time, std::string faults = "0", std::string timeFaults = "0,00",
                std::string refusals = "0") {
    return {true, false, nr, faults, refusals, timeFaults, time};
}

struct Station {
    Settings settings = Hundredths();
    SortState sort;
    Ranking ranking;
    EntryOutcome Enter(ProtocolTable& table, LaneInputs lane1, LaneInputs lane2 = {}) {
        return EnterRunIntoProtocol(table, settings, sort, ranking, {lane1, lane2});
    }
};

TEST(RunEntry, NewProtocolUsesItsEmptyRow) {
    ProtocolTable table;
    Station station;
    const auto outcome = station.Enter(table, Lane("12", "40,00", "1"));
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(table.RowAt(1), (ProtocolTable::Row{"12", "", "", "", "", "40,00",      "1",    "0", "0,00",  "5,00", "",
                                                  "",   "", "", "", "", "Vorzüglich", "4,50", "1", "500001"}));
    EXPECT_EQ(outcome.selectRow, 1);
    EXPECT_EQ(station.ranking.bestStartNr, 12);
}

TEST(RunEntry, KnownStarterIsFilledInPlaceAndUnknownAppended) {
    auto table = MakeTable({Scored("3", "30,00", "0,00", "0"), {{ColStartNr, "7"}}, {{ColStartNr, "12"}}});
    Station station;
    station.settings.ZFCalc = false; // the operator's time faults
    auto outcome = station.Enter(table, Lane("12", "31,50", "0", "1,50"));
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(ColumnTexts(table, ColStartNr), (Texts{"3", "12", "7"}));
    EXPECT_EQ(outcome.rows[0], 2);
    EXPECT_EQ(table.Cell(ColTotal1, 2), "1,50");
    outcome = station.Enter(table, Lane("040", "33,00"));
    EXPECT_EQ(ColumnTexts(table, ColStartNr), (Texts{"3", "40", "12", "7"})); // by the spin value, 0,00 before 1,50
    EXPECT_EQ(outcome.selectRow, 2);
}

TEST(RunEntry, SecondRunFillsRun2AndDrivesKeyGradeAndSpeed) {
    auto table = MakeTable({{{ColStartNr, "12"},
                             {ColTime1, "50,00"},
                             {ColFaults1, "2"},
                             {ColRefusals1, "0"},
                             {ColTimeFaults1, "0,00"},
                             {ColTotal1, "10,00"},
                             {ColSortKey, "1000002"},
                             {ColGrade, "Sehr gut"},
                             {ColSpeed, "3,60"}}});
    Station station;
    station.settings.LaufCount = 2;
    ASSERT_TRUE(station.Enter(table, Lane("12", "45,00")).ok);
    EXPECT_EQ(table.RowAt(1),
              (ProtocolTable::Row{"12", "",  "",     "",     "", "50,00",      "2",    "0", "0,00",   "10,00", "45,00",
                                  "0",  "0", "0,00", "0,00", "", "Vorzüglich", "4,00", "1", "1000002"}));
}

TEST(RunEntry, SchemeCLaneTwoRestsOnItsOwnRun) {
    auto table = MakeTable({Scored("3", "30,00", "0,00", "0")});
    Station station;
    station.settings.LsCFG = 2;
    station.settings.LaufCount = 2;
    const auto outcome = station.Enter(table, Lane("3", "32,00", "3"), Lane("4", "36,00"));
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(outcome.rows, (std::array<int, 2>{2, 1})); // 4's key 0 ranks before 3's 1500003
    EXPECT_EQ(table.Cell(ColTime2, 2), "32,00");
    EXPECT_EQ(table.Cell(ColTime1, 1), "36,00");
    EXPECT_EQ(table.Cell(ColSortKey, 1), "0");
    EXPECT_EQ(table.Cell(ColGrade, 1), "Vorzüglich");
}

TEST(RunEntry, UnconvertibleInputRefusesTheWholeEntryAndLeavesTheTable) {
    auto table = MakeTable({Scored("3", "30,00", "0,00", "0"), {{ColStartNr, "4"}}});
    Station station;
    station.settings.LsCFG = 2;
    const auto before = table.Rows();
    const struct {
        LaneInputs lane1, lane2;
        const char* mentions;
    } cases[] = {
        {Lane("4", "31,00", ""), Lane("5", "30,00"), "Bahn 1, Parcours-Fehler"},
        {Lane("4", "31,00", "0", "0,00", "x"), Lane("5", "30,00"), "Verweigerungen"},
        {Lane("4", "31,00", "0", ""), Lane("5", "30,00"), "Z.-Fehler"},
        {Lane("4", "31,00"), Lane("5", "30,00", "0", "1,2,3"), "Bahn 2, Z.-Fehler"},
        {Lane("", "31,00"), Lane("5", "30,00"), "Startnummer"},
        {Lane("4", "31,00"), Lane("4", "30,00"), "beide Bahnen"},
    };
    for (const auto& c : cases) {
        const auto outcome = station.Enter(table, c.lane1, c.lane2);
        EXPECT_FALSE(outcome.ok);
        EXPECT_NE(outcome.error.find(c.mentions), std::string::npos) << outcome.error;
        EXPECT_EQ(table.Rows(), before) << outcome.error;
    }
}

} // namespace
} // namespace caniparc
