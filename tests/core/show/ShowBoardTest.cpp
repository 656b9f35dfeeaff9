// The board's door to the broker: names and topics, messages on the wrong topic or unreadable
// counted by reason and ignored, and no more rings than a show can have.
#include "show/ShowBoard.h"
#include "show/SqliteBoardStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace caniparc {
namespace {

TEST(ShowTopics, NamesAreCheckedAndTopicsReadBack) {
    for (const char* good : {"Ring 1", "Frühjahr 2026", "A", "...", ".A"})
        EXPECT_TRUE(ValidShowName(good)) << good;
    // "." and ".." as a link's path segment take a browser elsewhere than to the ring's page.
    for (const char* bad : {"", "   ", "Ring/1", "Ring+", "#", "a\tb", "\xC3", "\x7F", ".", ".."})
        EXPECT_FALSE(ValidShowName(bad)) << bad;
    EXPECT_FALSE(ValidShowName(std::string(ShowNameMaxBytes + 1, 'x')));
    EXPECT_EQ(RingTopicName("Cup", "Ring 2", RingTopic::Events), "caniparc/Cup/Ring 2/events");
    EXPECT_EQ(AllRingsFilter("Cup"), "caniparc/Cup/+/+");
    const auto parsed = ParseRingTopic("Cup", "caniparc/Cup/Ring 2/lanes");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->ring, "Ring 2");
    EXPECT_EQ(parsed->topic, RingTopic::Lanes);
    for (const char* other : {"caniparc/Cup2/R/state", "caniparc/Cup/R/other", "caniparc/Cup/R", "caniparc/Cup//state",
                              "caniparc/Cup/R/state/x", "caniparc-board/Cup/resend"})
        EXPECT_FALSE(ParseRingTopic("Cup", other)) << other;
}

TEST(ShowBoard, CountsAndIgnoresWhatItCannotUse) {
    ShowBoard board("Cup");
    const std::string snapshot = WriteShowMessage(SnapshotMessage{3, 0, 0, {"Jumping", "", "", ""}, {}, {}});
    EXPECT_TRUE(board.Receive("caniparc/Cup/A/snapshot", snapshot, 10));
    EXPECT_FALSE(board.Receive("caniparc/Cup/A/events", snapshot, 10)); // a snapshot posing as an event
    EXPECT_FALSE(board.Receive("caniparc/Other/A/snapshot", snapshot, 10));
    EXPECT_FALSE(board.Receive("caniparc/Cup/A/events", "{not json", 10));
    EXPECT_FALSE(board.Receive("caniparc/Cup/A/events", R"({"v":7})", 10));
    EXPECT_FALSE(board.Receive("caniparc/Cup/A/snapshot", WriteShowMessage(ResendMessage{"A", 0, 0}), 10));
    const auto& ignored = board.Ignored();
    EXPECT_EQ(ignored.byReason[0], 3u);
    EXPECT_EQ(ignored.byReason[static_cast<int>(ShowReadError::BadJson)], 1u);
    EXPECT_EQ(ignored.byReason[static_cast<int>(ShowReadError::UnknownVersion)], 1u);
    EXPECT_EQ(ignored.Total(), 5u);
    EXPECT_EQ(board.Rings().size(), 1u);
    EXPECT_EQ(board.TakeChanged(), std::vector<std::string>{"A"});
    EXPECT_TRUE(board.TakeChanged().empty());
}

TEST(ShowBoard, MadeUpRingNamesCannotGrowItWithoutEnd) {
    ShowBoard board("Cup");
    const std::string state = WriteShowMessage(StateMessage{true, "s", 1, 0, 0});
    for (std::size_t r = 0; r < ShowBoard::MaxRings + 10; ++r)
        board.Receive("caniparc/Cup/R" + std::to_string(r) + "/state", state, 0);
    EXPECT_EQ(board.Rings().size(), ShowBoard::MaxRings);
    EXPECT_EQ(board.Ignored().tooManyRings, 10u);
}

TEST(ShowBoard, AsksEachRingThatMissesSomething) {
    ShowBoard board("Cup");
    board.Receive("caniparc/Cup/A/snapshot", WriteShowMessage(SnapshotMessage{3, 0, 0, {}, {}, {}}), 0);
    board.Receive("caniparc/Cup/B/events",
                  WriteShowMessage(EventMessage{4, 2, 0, ShowEventKind::Entry, {true, {}, {}, {}}}), 0);
    EXPECT_EQ(board.ResendsDue(0), std::vector<ResendMessage>{(ResendMessage{"B", 0, 0})});
    EXPECT_TRUE(board.ResendsDue(1).empty());
}

TEST(SqliteBoardStore, ARestartedBoardGetsEachRingBackAsItWas) {
    const auto folder = std::filesystem::temp_directory_path() / ("caniparc-board-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    struct Cleanup {
        std::filesystem::path path;
        ~Cleanup() { std::filesystem::remove_all(path); }
    } cleanup{folder};
    ShowRow row;
    row[ColStartNr] = "7";
    row[ColDogName] = "Rex \"der Schnelle\"";
    const BoardRingCopy a{{5, 9, 0, {"Jumping", "Halle", "Jörg", "Large"}, {{"LaufCount", "2"}}, {row}}, {"7", "3"}};
    BoardRingCopy b = a;
    b.snapshot.epoch = 6;
    b.snapshot.rows.clear();
    b.recent.clear();
    {
        std::string error;
        auto store = SqliteBoardStore::Open(folder / "board.sqlite", error);
        ASSERT_TRUE(store) << error;
        ASSERT_TRUE(store->Save("Cup", "Ring 1", b));
        ASSERT_TRUE(store->Save("Cup", "Ring 1", a)); // the newer copy replaces the older
        ASSERT_TRUE(store->Save("Cup", "Ring 2", b));
        ASSERT_TRUE(store->Save("Other show", "Ring 1", b));
    }
    std::string error;
    auto store = SqliteBoardStore::Open(folder / "board.sqlite", error);
    ASSERT_TRUE(store) << error;
    const auto rings = store->Load("Cup");
    ASSERT_EQ(rings.size(), 2u);
    EXPECT_EQ(rings[0], (std::pair<std::string, BoardRingCopy>{"Ring 1", a}));
    EXPECT_EQ(rings[1], (std::pair<std::string, BoardRingCopy>{"Ring 2", b}));
}

} // namespace
} // namespace caniparc
