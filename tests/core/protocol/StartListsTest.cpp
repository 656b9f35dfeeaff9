// The lanes' start lists: which starter a lane stands on after a load and after "Nächster",
// when "Falsche" blocks the start, and what a double click takes.
#include "protocol/StartLists.h"
#include "ProtocolBuilder.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

using test::MakeTable;

// Starters 11..14; 11 and 12 have run 1, 13 has nothing, 14 has runs 1 and 2.
ProtocolTable FourStarters() {
    return MakeTable({{{ColStartNr, "11"}, {ColTime1, "30,1"}},
                      {{ColStartNr, "12"}, {ColTime1, "DIS"}},
                      {{ColStartNr, "13"}},
                      {{ColStartNr, "14"}, {ColTime1, "31,0"}, {ColTime2, "32,0"}}});
}

TEST(StartLists, LoadStandsOnTheFirstStarterWithoutATimeAndLaneTwoOnTheNext) {
    const ProtocolTable table = FourStarters();
    StartLists lists;
    EXPECT_EQ(FillStartLists(lists, table), 3);
    EXPECT_EQ(lists.Lane(0).items, (std::vector<std::string>{"11", "12", "13", "14"}));
    EXPECT_EQ(lists.Lane(0).Text(), "13");
    EXPECT_EQ(lists.Lane(1).Text(), "14") << "not the list's second entry, which lane 1 may hold";
    EXPECT_TRUE(lists.Shown(0, 1));
    EXPECT_FALSE(lists.Shown(1, 1)) << "lane 2 takes starters only in scheme C";
    EXPECT_TRUE(lists.Shown(1, 2));
}

TEST(StartLists, EveryStarterTimed_LeavesTheListWithoutAChoice) {
    const ProtocolTable table = MakeTable({{{ColStartNr, "1"}, {ColTime1, "30,1"}}});
    StartLists lists;
    EXPECT_EQ(FillStartLists(lists, table), -1);
    EXPECT_EQ(lists.Lane(0).Text(), "");
    StartContext context;
    EXPECT_EQ(LaneStartNumber(lists, 0, context), "") << "an entry then refuses instead of guessing a starter";
    EXPECT_FALSE(UpdateWarnings(lists, table, context)) << "a run without a starter could never be entered";
    EXPECT_FALSE(lists.Lane(0).warning);
}

TEST(StartLists, WarningFollowsTheChosenStarter) {
    struct Case {
        const char* lane1;
        const char* lane2;
        int lsCfg;
        int laufCount;
        bool warning1, warning2, start;
    };
    const Case cases[] = {
        {"13", "14", 1, 1, false, false, true}, // lane 2 not in use
        {"11", "14", 1, 1, true, false, false}, // run 1 done
        {"12", "13", 1, 1, true, false, false}, // disqualified counts as run
        {"13", "11", 2, 1, false, true, false}, // lane 2's starter has run 1 (its time, not its faults)
        {"13", "13", 2, 1, true, true, false},  // one starter on both lanes
        {"11", "13", 1, 2, false, false, true}, // run 2 still due
        {"14", "13", 1, 2, true, false, false}, // both runs done
        {"99", "13", 1, 1, false, false, true}, // not in the protocol
    };
    for (const Case& c : cases) {
        const ProtocolTable table = FourStarters();
        StartLists lists;
        FillStartLists(lists, table);
        lists.Lane(0).Choose(c.lane1);
        lists.Lane(1).Choose(c.lane2);
        if (std::string(c.lane1) == "99") // a text not in the list: compare by the spin edit instead
            lists.Lane(0).items.clear();
        StartContext context{c.lsCfg, c.laufCount, {99, 2}};
        const bool start = UpdateWarnings(lists, table, context);
        SCOPED_TRACE(std::string(c.lane1) + "/" + c.lane2 + " scheme " + std::to_string(c.lsCfg));
        EXPECT_EQ(lists.Lane(0).warning, c.warning1);
        EXPECT_EQ(lists.Lane(1).warning, c.warning2);
        EXPECT_EQ(start, c.start);
    }
}

TEST(StartLists, SameSpinValueOnBothLanesBlocksTheStartInSchemeC) {
    const ProtocolTable table;
    StartLists lists;
    EXPECT_FALSE(UpdateWarnings(lists, table, {2, 1, {5, 5}}));
    EXPECT_TRUE(lists.Lane(0).warning && lists.Lane(1).warning);
    EXPECT_TRUE(UpdateWarnings(lists, table, {2, 1, {5, 6}}));
    EXPECT_TRUE(UpdateWarnings(lists, table, {1, 1, {5, 5}})) << "lane 2 is idle in scheme B";
}

TEST(StartLists, NextStarter_FirstWithoutTimeThenTheRowAfter) {
    ProtocolTable table = FourStarters();
    StartLists lists;
    FillStartLists(lists, table);
    lists.Lane(0).Choose("11");
    int lane1Row = -1;
    EXPECT_EQ(ChooseNextFromList(lists, table, 0, lane1Row), 3);
    EXPECT_EQ(lists.Lane(0).Text(), "13");
    EXPECT_EQ(ChooseNextFromList(lists, table, 1, lane1Row), 4);
    EXPECT_EQ(lists.Lane(1).Text(), "14");

    table.SetCell(ColTime1, 3, "29,0");
    EXPECT_EQ(ChooseNextFromList(lists, table, 0, lane1Row), -1);
    EXPECT_EQ(lists.Lane(0).Text(), "") << "every starter has run: the list's text is cleared";
    EXPECT_EQ(ChooseNextFromList(lists, table, 1, lane1Row), 1);
    EXPECT_EQ(lists.Lane(1).Text(), "11");
}

TEST(StartLists, DoubleClickTakesTheRowAndInSchemeCTheNextRowForLaneTwo) {
    const ProtocolTable table = FourStarters();
    StartLists lists;
    FillStartLists(lists, table);
    TakeStartersFromRow(lists, table, 2, 2);
    EXPECT_EQ(lists.Lane(0).Text(), "12");
    EXPECT_EQ(lists.Lane(1).Text(), "13");
    TakeStartersFromRow(lists, table, 2, 4);
    EXPECT_EQ(lists.Lane(0).Text(), "14");
    EXPECT_EQ(lists.Lane(1).Text(), "14") << "the last row has no next row";
    TakeStartersFromRow(lists, table, 1, 1);
    EXPECT_EQ(lists.Lane(1).Text(), "14") << "scheme B leaves lane 2 alone";
}

TEST(StartLists, RebuildKeepsEachLanesStarter) {
    ProtocolTable table = FourStarters();
    StartLists lists;
    FillStartLists(lists, table);
    lists.Lane(0).Choose("14");
    lists.Lane(1).Choose("12");
    table.RemoveRow(1);
    RebuildStartLists(lists, table);
    EXPECT_EQ(lists.Lane(0).Text(), "14");
    EXPECT_EQ(lists.Lane(1).Text(), "12");
    table.RemoveRow(3); // 14 goes: the entry at the old position, or the last
    RebuildStartLists(lists, table);
    EXPECT_EQ(lists.Lane(0).Text(), "13");
}

TEST(StartLists, MonitorLabelHasNoBlankAfterTheColon) {
    EXPECT_EQ(MonitorStartLabel("25"), " Start-Nr.:25");
}

} // namespace
} // namespace caniparc
