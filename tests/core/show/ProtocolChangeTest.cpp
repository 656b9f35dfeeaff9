// Protocol changes by start number: a change applied to the rows it was made from gives the new
// rows exactly, whatever was entered, corrected, renumbered, removed, reordered or repeated.
#include "show/ProtocolChange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace caniparc {
namespace {

ShowRow Starter(const std::string& number, const std::string& time = "", const std::string& place = "") {
    ShowRow row;
    row[ColStartNr] = number;
    row[ColDogName] = "Hund " + number;
    row[ColTime1] = time;
    row[ColPlace] = place;
    return row;
}

TEST(ProtocolChange, AnEntrySendsOnlyTheRowsItChanged) {
    const std::vector<ShowRow> before = {Starter("1", "30,00", "1"), Starter("2"), Starter("3", "35,00", "2")};
    std::vector<ShowRow> after = before;
    after[1] = Starter("2", "31,00", "2");
    after[2][ColPlace] = "3";
    const ProtocolChange change = DiffProtocol(before, after);
    EXPECT_FALSE(change.replaceAll);
    EXPECT_EQ(change.rows, (std::vector<ShowRow>{after[1], after[2]}));
    EXPECT_TRUE(change.removed.empty());
    EXPECT_TRUE(change.order.empty());
    EXPECT_TRUE(DiffProtocol(after, after).Empty());
}

TEST(ProtocolChange, ARenumberedStarterIsRemovedAndAddedInItsPlace) {
    const std::vector<ShowRow> before = {Starter("1"), Starter("2"), Starter("3")};
    const std::vector<ShowRow> after = {Starter("1"), Starter("20"), Starter("3")};
    const ProtocolChange change = DiffProtocol(before, after);
    EXPECT_EQ(change.removed, std::vector<std::string>{"2"});
    EXPECT_EQ(change.order, (std::vector<std::string>{"1", "20", "3"}));
    std::vector<ShowRow> rows = before;
    ApplyChange(rows, change);
    EXPECT_EQ(rows, after);
}

TEST(ProtocolChange, RepeatedStartNumbersSendTheWholeProtocol) {
    const std::vector<ShowRow> before = {Starter("1"), Starter("2")};
    const std::vector<ShowRow> after = {Starter("1"), Starter("1", "30,00"), Starter("2")};
    const ProtocolChange change = DiffProtocol(before, after);
    EXPECT_TRUE(change.replaceAll);
    std::vector<ShowRow> rows = before;
    ApplyChange(rows, change);
    EXPECT_EQ(rows, after);
}

// Random edits of a small protocol, so start numbers collide, vanish and come back often.
std::vector<ShowRow> Edit(std::vector<ShowRow> rows, std::mt19937& random) {
    const int edits = std::uniform_int_distribution<int>(0, 4)(random);
    for (int i = 0; i < edits; ++i) {
        const auto pick = [&] { return std::uniform_int_distribution<std::size_t>(0, rows.size() - 1)(random); };
        const std::string number = std::to_string(std::uniform_int_distribution<int>(1, 12)(random));
        switch (std::uniform_int_distribution<int>(0, 5)(random)) {
        case 0:
            rows.push_back(Starter(number));
            break;
        case 1:
            if (!rows.empty())
                rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(pick()));
            break;
        case 2:
            if (!rows.empty())
                rows[pick()][ColTime1] = std::to_string(random() % 100) + ",00";
            break;
        case 3:
            if (!rows.empty())
                rows[pick()][ColStartNr] = number;
            break;
        case 4:
            std::shuffle(rows.begin(), rows.end(), random);
            break;
        default:
            for (std::size_t r = 0; r < rows.size(); ++r)
                rows[r][ColPlace] = std::to_string(r + 1);
        }
    }
    return rows;
}

TEST(ProtocolChange, RandomEditsApplyToExactlyTheNewRows) {
    std::mt19937 random(20261209);
    std::vector<ShowRow> rows;
    for (int step = 0; step < 20000; ++step) {
        const std::vector<ShowRow> next = Edit(rows, random);
        std::vector<ShowRow> applied = rows;
        ApplyChange(applied, DiffProtocol(rows, next));
        ASSERT_EQ(applied, next) << "step " << step;
        rows = next;
    }
}

} // namespace
} // namespace caniparc
