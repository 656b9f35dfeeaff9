// The live snapshot: which lanes and columns phones see, the lane texts, and the page and JSON
// made from it, with hostile names staying text.
#include "live/LiveState.h"
#include "live/LivePage.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

struct Fixture {
    Settings settings;
    ProtocolTable table;
    RunModel run;
    Ranking ranking;

    Fixture() {
        WriteColumnTitles(table);
        Row(1, {"7", "Rex", "<script>alert(1)</script>", "SV \"Nord\"", "Small", "31,20"});
        table.SetCell(ColPlace, 1, "1");
        table.MutableRows().push_back({}); // an empty row a new protocol or "Neue Zeile" leaves
        table.MutableRows().push_back({});
        Row(3, {"12", "Bella", "Anna", "", "Small"});
    }
    void Row(int row, std::vector<std::string> cells) {
        for (std::size_t c = 0; c < cells.size(); ++c)
            table.SetCell(static_cast<int>(c), row, cells[c]);
    }
    LiveState State(std::array<bool, 2> inUse = {true, false}, std::array<std::string, 2> numbers = {"7", ""}) {
        return MakeLiveState({settings, table, run, ranking, inUse, numbers});
    }
};

TEST(LiveColumns, FollowTheRunCountAndTheBonus) {
    Settings s;
    EXPECT_EQ(LiveColumns(s), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 16, 17, 18}));
    s.LaufCount = 2;
    s.Bonus = true;
    EXPECT_EQ(LiveColumns(s).size(), 19u);
}

TEST(LaneDigitsText, SecondsWithoutLeadingZerosAndTheChosenFraction) {
    LaneDigits d;
    d.value = {0, 4, 5, 0, 7};
    EXPECT_EQ(LaneDigitsText(d, 1), "45,07");
    EXPECT_EQ(LaneDigitsText(d, 0), "45,0");
    d.value = {1, 0, 2, 9, 9};
    EXPECT_EQ(LaneDigitsText(d, 1), "102,99");
    EXPECT_EQ(LaneDigitsText(LaneDigits{}, 1), "0,00");
}

TEST(MakeLiveState, LanesShowTheirStartersAndState) {
    Fixture f;
    f.settings.TimeFormatIndex = 1;
    f.run.lanes[0].clockRunning = true;
    f.run.lanes[0].digits.value = {0, 1, 2, 3, 4};
    LiveState s = f.State();
    EXPECT_EQ(s.lanes[0].startNumber, "7");
    EXPECT_EQ(s.lanes[0].dog, "Rex");
    EXPECT_EQ(s.lanes[0].handler, "<script>alert(1)</script>");
    EXPECT_EQ(s.lanes[0].time, "12,34");
    EXPECT_EQ(s.lanes[0].state, LiveLaneState::Running);
    EXPECT_FALSE(s.lanes[1].inUse);
    EXPECT_EQ(s.lanes[1].startNumber, "") << "lane 2 shows the best time in schemes A and B, no starter";

    f.run.lanes[0].clockRunning = false;
    f.run.lanes[0].StopElapsed = 12345;
    EXPECT_EQ(f.State().lanes[0].state, LiveLaneState::Stopped);
    f.run.lanes[0].TakenTime = -1;
    EXPECT_TRUE(f.State().lanes[0].disqualified);

    const LiveState unknown = f.State({true, true}, {"99", "12"});
    EXPECT_EQ(unknown.lanes[0].dog, "") << "a number without a row has no names";
    EXPECT_EQ(unknown.lanes[1].handler, "Anna");
}

TEST(MakeLiveState, ProtocolRowsInTableOrderWithoutEmptyRows) {
    Fixture f;
    f.ranking.bestTime = 31200;
    f.ranking.bestStartNr = 7;
    const LiveState s = f.State();
    ASSERT_EQ(s.rows.size(), 2u);
    EXPECT_EQ(s.rows[0][0], "7");
    EXPECT_EQ(s.rows[0].back(), "1");
    EXPECT_EQ(s.rows[1][1], "Bella");
    EXPECT_EQ(s.columns.front(), "Nr.");
    EXPECT_EQ(s.columns.back(), "Rang");
    EXPECT_EQ(s.bestTime, "31,2");
    EXPECT_EQ(s.bestStartNumber, "7");
    EXPECT_EQ(Fixture().State().bestTime, "") << "no best time before the first result";
}

TEST(LiveStateJson, IsEscapedAndCarriesEveryPart) {
    Fixture f;
    f.settings.Title = "Cup </script><script>x()</script>";
    LiveState s = f.State();
    s.version = 42;
    const std::string json = LiveStateJson(s);
    EXPECT_EQ(json.find("<"), std::string::npos) << json;
    EXPECT_NE(json.find("\"titel\":\"Cup \\u003c/script\\u003e"), std::string::npos) << json;
    EXPECT_NE(json.find("\"hundefuehrer\":\"\\u003cscript\\u003ealert(1)"), std::string::npos);
    EXPECT_NE(json.find("\"SV \\\"Nord\\\"\""), std::string::npos);
    EXPECT_NE(json.find("\"zeilen\":[[\"7\",\"Rex\""), std::string::npos);
    EXPECT_NE(json.find("\"version\":42"), std::string::npos);
    EXPECT_EQ(json.front(), '{');
    EXPECT_EQ(json.back(), '}');

    const std::string lanes = LiveLanesJson(s);
    EXPECT_EQ(lanes.find("zeilen"), std::string::npos);
    EXPECT_NE(lanes.find("\"bahnen\":[{\"bahn\":1,\"aktiv\":true"), std::string::npos) << lanes;
}

TEST(LivePageHtml, ShowsTheStateAsTextOnly) {
    Fixture f;
    f.settings.Title = "<b>Cup</b>";
    const std::string page = LivePageHtml(f.State());
    EXPECT_NE(page.find("<html lang=\"de\">"), std::string::npos);
    EXPECT_NE(page.find("width=device-width"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_EQ(page.find("<script>alert"), std::string::npos);
    EXPECT_EQ(page.find("<b>Cup"), std::string::npos);
    EXPECT_NE(page.find("SV &quot;Nord&quot;"), std::string::npos);
    // Exactly one script, our own, and nothing loaded from elsewhere.
    EXPECT_EQ(page.find("<script"), page.rfind("<script"));
    EXPECT_EQ(page.find("http://"), std::string::npos);
    EXPECT_EQ(page.find("https://"), std::string::npos);
    EXPECT_EQ(page.find(" src="), std::string::npos);
    EXPECT_NE(page.find("<td class=\"l\">Rex</td>"), std::string::npos);
}

} // namespace
} // namespace caniparc
