// Places, best time and "Neu berechnen".
#include "protocol/Ranking.h"
#include "ProtocolBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace caniparc {
namespace {

using namespace test;

struct Ranked {
    Settings settings = Hundredths();
    SortState sort;
    Ranking ranking;
    bool Run(ProtocolTable& table) { return RecalcPlaces(table, settings, sort, ranking); }
};

TEST(RecalcPlaces, SharedPlaceNeedsSameTimeAndTotalAndTheNextPlaceSkips) {
    auto table = MakeTable({Scored("4", "35,00", "12,00", "1200000"), Scored("2", "31,20", "10,00", "1000000"),
                            Scored("1", "31,20", "5,00", "500000"), Scored("3", "31,20", "10,00", "1000001"),
                            Scored("5", "31,20", "10,00", "1000000"), Scored("6", "30,00", "10,00", "1000001")});
    Ranked ranked;
    ASSERT_TRUE(ranked.Run(table));
    // Total, then key (time faults before faults), then time, then the previous order.
    EXPECT_EQ(ColumnTexts(table, ColStartNr), (Texts{"1", "2", "5", "6", "3", "4"}));
    EXPECT_EQ(ColumnTexts(table, ColPlace), (Texts{"1", "2", "2", "4", "5", "6"}));
}

TEST(RecalcPlaces, DisqualifiedThenEmptyRowsGoLastAndBestTimeIsTheBestPlaced) {
    auto table = MakeTable({{{ColStartNr, "9"}},
                            {{ColStartNr, "8"}, {ColTime1, "DIS"}, {ColTotal1, "-"}, {ColPlace, "-"}},
                            Scored("7", "25,00", "5,00", "500001"),
                            Scored("17", "28,45", "0,00", "0")});
    Ranked ranked;
    ranked.Run(table);
    EXPECT_EQ(ColumnTexts(table, ColStartNr), (Texts{"17", "7", "8", "9"}));
    EXPECT_EQ(ColumnTexts(table, ColPlace), (Texts{"1", "2", "DIS", ""}));
    EXPECT_EQ(ranked.ranking.bestTime, 28450);
    EXPECT_EQ(ranked.ranking.bestStartNr, 17);
    EXPECT_EQ(ranked.ranking.lastPlacedRow, 2);
    table.SetCell(ColStartNr, 1, "A17");
    ranked.Run(table);
    EXPECT_EQ(ranked.ranking.bestStartNr, 0);
}

TEST(RecalcPlaces, RanksAscendingAfterADescendingTitleClickAndNotAtAllWithoutAutoRang) {
    auto table = MakeTable({Scored("1", "30,00", "0,00", "0"), Scored("2", "31,00", "5,00", "500001")});
    Ranked ranked;
    ranked.Run(table);
    ClickColumnTitle(table, ranked.sort, ColTotal1);
    ASSERT_EQ(table.Cell(ColStartNr, 1), "2");
    ranked.Run(table);
    EXPECT_EQ(ColumnTexts(table, ColStartNr), (Texts{"1", "2"}));

    ClickColumnTitle(table, ranked.sort, ColTotal1); // descending again
    ranked.settings.AutoRang = false;
    const auto before = table.Rows();
    EXPECT_FALSE(ranked.Run(table));
    EXPECT_EQ(table.Rows(), before);
}

TEST(RecalcProtocol, RecomputesEveryRowAndSelectsTheFirstWithoutTime) {
    auto table = MakeTable({{{ColStartNr, "1"}, {ColTime1, "62,00"}},
                            {{ColStartNr, "2"}},
                            {{ColStartNr, "3"}, {ColTime1, "50,00"}, {ColFaults1, "1"}}});
    Ranked ranked;
    EXPECT_EQ(RecalcProtocol(table, ranked.settings, ranked.sort, ranked.ranking), 3);
    EXPECT_EQ(ColumnTexts(table, ColTotal1), (Texts{"2,00", "5,00", ""}));
}

TEST(RecalcProtocol, AbsurdCellsKeepEveryRowAndTheHeader) {
    const char* junk[] = {"1e309", "nan", "-0", "99999999999999999999", "-5,00", "", "DIS", "dis", "-", "Ä", "\xC3"};
    const int count = static_cast<int>(std::size(junk));
    ProtocolTable table;
    WriteColumnTitles(table);
    table.SetRowCount(count * 3 + 1);
    for (int row = 1; row < table.RowCount(); ++row)
        for (int col = 0; col < ColCount; ++col)
            table.SetCell(col, row, col == ColStartNr ? std::to_string(row) : junk[(row * 7 + col * 3) % count]);
    Ranked ranked;
    ranked.settings.LaufCount = 2;
    RecalcProtocol(table, ranked.settings, ranked.sort, ranked.ranking);
    for (int col = 0; col < ColCount; ++col)
        ClickColumnTitle(table, ranked.sort, col);
    ranked.Run(table);
    auto numbers = ColumnTexts(table, ColStartNr);
    std::sort(numbers.begin(), numbers.end(), [](auto& a, auto& b) { return std::stoi(a) < std::stoi(b); });
    for (int row = 1; row < table.RowCount(); ++row)
        ASSERT_EQ(numbers[static_cast<std::size_t>(row - 1)], std::to_string(row));
    EXPECT_EQ(table.Cell(ColPlace, 0), "Rang");
}

} // namespace
} // namespace caniparc
