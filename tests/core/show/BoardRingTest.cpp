// One ring on the board: each event applied once and in order, gaps asked for at a bounded rate,
// and the newer epoch's snapshot taking over.
#include "show/BoardRing.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

ShowRow Starter(const std::string& number, const std::string& time = "") {
    ShowRow row;
    row[ColStartNr] = number;
    row[ColTime1] = time;
    return row;
}

EventMessage Entry(std::uint64_t epoch, std::uint64_t seq, const std::string& number, const std::string& time) {
    return EventMessage{epoch, seq, 0, ShowEventKind::Entry, {false, {Starter(number, time)}, {}, {}}};
}

SnapshotMessage Snapshot(std::uint64_t epoch, std::uint64_t seq, std::vector<ShowRow> rows) {
    return SnapshotMessage{epoch, seq, 0, {"Jumping", "", "", ""}, {}, std::move(rows)};
}

TEST(BoardRing, AppliesEachEventOnceAndInOrder) {
    BoardRing ring("A");
    ring.OnSnapshot(Snapshot(5, 0, {Starter("1"), Starter("2")}), 100);
    ring.OnEvent(Entry(5, 3, "1", "33,00"), 101); // early: waits for 1 and 2
    ring.OnEvent(Entry(5, 1, "1", "31,00"), 102);
    ring.OnEvent(Entry(5, 1, "1", "31,00"), 103); // delivered twice
    EXPECT_EQ(ring.Rows()[0][ColTime1], "31,00");
    ring.OnEvent(Entry(5, 2, "2", "32,00"), 104);
    EXPECT_EQ(ring.Seq(), 3u);
    EXPECT_EQ(ring.Rows(), (std::vector<ShowRow>{Starter("1", "33,00"), Starter("2", "32,00")}));
    ring.OnEvent(Entry(5, 2, "2", "99,00"), 105); // a replay after the fact changes nothing
    EXPECT_EQ(ring.Rows()[1][ColTime1], "32,00");
    EXPECT_EQ(ring.Counts(), (BoardRingCounts{3, 1, 2, 0, 0}));
    EXPECT_EQ(ring.Buffered(), 0u);
    EXPECT_EQ(ring.ChangedMs(), 104);
}

// The speaker's last results: the runs that got a time, newest first, also those a snapshot
// brought after the broker lost them (their order among themselves is the table's).
TEST(BoardRing, RunsEnteredLatelyComeFromEventsAndFromACatchingUpSnapshot) {
    BoardRing ring("A");
    ring.OnSnapshot(Snapshot(5, 0, {Starter("1"), Starter("2"), Starter("3"), Starter("4")}), 0);
    ring.OnEvent(Entry(5, 1, "2", "31,00"), 1);
    ring.OnEvent(Entry(5, 2, "1", "32,00"), 2);
    EXPECT_EQ(ring.RecentEntries(), (std::deque<std::string>{"1", "2"}));
    // 3 and 4 entered while the broker was down; it came back empty and the snapshot came first.
    ring.OnSnapshot(
        Snapshot(5, 4, {Starter("1", "32,00"), Starter("2", "31,00"), Starter("3", "33,00"), Starter("4", "34,00")}),
        3);
    ring.OnEvent(Entry(5, 3, "3", "33,00"), 4); // the tail after it changes nothing
    EXPECT_EQ(ring.RecentEntries(), (std::deque<std::string>{"4", "3", "1", "2"}));
    // A run taken back, then a new class whose start numbers begin at 1 again: no result of the
    // old class is named with a starter of the new one.
    ring.OnEvent(EventMessage{5, 5, 0, ShowEventKind::Correction, {false, {Starter("4")}, {}, {}}}, 5);
    EXPECT_EQ(ring.RecentEntries(), (std::deque<std::string>{"3", "1", "2"}));
    ring.OnEvent(EventMessage{5, 6, 0, ShowEventKind::Correction, {true, {Starter("1"), Starter("2")}, {}, {}}}, 6);
    EXPECT_TRUE(ring.RecentEntries().empty());
}

TEST(BoardRing, AGapIsAskedForAtMostEveryIntervalUntilItCloses) {
    BoardRing ring("A");
    ring.OnSnapshot(Snapshot(5, 2, {}), 0);
    EXPECT_FALSE(ring.ResendDue(0));
    ring.OnEvent(Entry(5, 5, "1", "1"), 1000);
    EXPECT_EQ(ring.ResendDue(1000), (ResendMessage{"A", 5, 2}));
    EXPECT_FALSE(ring.ResendDue(1000 + BoardRing::ResendIntervalMs - 1));
    EXPECT_EQ(ring.ResendDue(1000 + BoardRing::ResendIntervalMs), (ResendMessage{"A", 5, 2}));
    ring.OnEvent(Entry(5, 3, "2", "2"), 4000);
    ring.OnEvent(Entry(5, 4, "3", "3"), 4001);
    EXPECT_FALSE(ring.Missing());
    EXPECT_FALSE(ring.ResendDue(100000));
    EXPECT_EQ(ring.Seq(), 5u);
    // A new gap is asked for at once, not an interval after the last request.
    ring.OnEvent(Entry(5, 7, "4", "4"), 4002);
    EXPECT_EQ(ring.ResendDue(4002), (ResendMessage{"A", 5, 5}));
}

TEST(BoardRing, AnEventOfAnUnknownEpochAsksForTheSnapshotThenApplies) {
    BoardRing ring("A");
    ring.OnEvent(Entry(9, 2, "2", "22,00"), 0);
    ring.OnEvent(Entry(9, 1, "1", "11,00"), 0);
    EXPECT_FALSE(ring.HasData());
    EXPECT_EQ(ring.ResendDue(0), (ResendMessage{"A", 0, 0}));
    ring.OnSnapshot(Snapshot(9, 1, {Starter("1", "11,00")}), 10); // already holds event 1
    EXPECT_EQ(ring.Rows(), (std::vector<ShowRow>{Starter("1", "11,00"), Starter("2", "22,00")}));
    EXPECT_EQ(ring.Seq(), 2u);
    EXPECT_FALSE(ring.Missing());
}

TEST(BoardRing, TheNewerEpochWinsAndOlderMessagesAreStale) {
    BoardRing ring("A");
    ring.OnSnapshot(Snapshot(5, 0, {Starter("1")}), 0);
    ring.OnEvent(Entry(5, 1, "1", "40,00"), 1);
    ring.OnEvent(Entry(5, 3, "1", "50,00"), 1); // early, of an epoch that is about to end
    ring.OnSnapshot(Snapshot(6, 0, {Starter("1", "41,00")}), 2);
    EXPECT_EQ(ring.Rows(), std::vector<ShowRow>{Starter("1", "41,00")});
    EXPECT_EQ(ring.Buffered(), 0u);
    ring.OnEvent(Entry(5, 2, "1", "45,00"), 3);
    ring.OnSnapshot(Snapshot(5, 9, {}), 3);
    EXPECT_EQ(ring.Rows(), std::vector<ShowRow>{Starter("1", "41,00")});
    EXPECT_EQ(ring.Counts().stale, 2u);
    // A later snapshot of the same epoch is taken; the same or an earlier one is not.
    ring.OnSnapshot(Snapshot(6, 4, {Starter("2")}), 4);
    ring.OnSnapshot(Snapshot(6, 4, {Starter("3")}), 4);
    ring.OnSnapshot(Snapshot(6, 2, {Starter("4")}), 4);
    EXPECT_EQ(ring.Rows(), std::vector<ShowRow>{Starter("2")});
    EXPECT_EQ(ring.Counts().duplicates, 2u);
}

TEST(BoardRing, AStationOnlineWithANewerEpochMakesTheBoardAskForItsSnapshot) {
    BoardRing ring("A");
    ring.OnSnapshot(Snapshot(5, 3, {}), 0);
    ring.OnState(StateMessage{true, "s", 5, 3, 1500}, 1000);
    EXPECT_FALSE(ring.Missing());
    EXPECT_EQ(ring.ClockOffsetMs(), 500);
    ring.OnState(StateMessage{true, "s", 6, 0, 900}, 1000);
    EXPECT_EQ(ring.ResendDue(1000), (ResendMessage{"A", 0, 0}));
    ring.OnSnapshot(Snapshot(6, 0, {}), 1001);
    EXPECT_FALSE(ring.Missing());
    ring.OnState(StateMessage{false, "s", 0, 0, 0}, 1002); // the last will: offline, data kept
    EXPECT_EQ(ring.Epoch(), 6u);
    EXPECT_FALSE(ring.State()->online);
}

TEST(BoardRing, ALostTailIsNoticedFromTheStationsState) {
    BoardRing ring("A");
    ring.OnSnapshot(Snapshot(5, 0, {}), 0);
    ring.OnEvent(Entry(5, 1, "1", "10,00"), 1);
    ring.OnState(StateMessage{true, "s", 5, 1, 2}, 2);
    EXPECT_FALSE(ring.Missing());
    ring.OnState(StateMessage{true, "s", 5, 3, 3}, 3); // events 2 and 3 never came
    EXPECT_EQ(ring.ResendDue(3), (ResendMessage{"A", 5, 1}));
    ring.OnEvent(Entry(5, 2, "2", "20,00"), 4);
    ring.OnEvent(Entry(5, 3, "3", "30,00"), 4);
    EXPECT_FALSE(ring.Missing());
    ring.OnState(StateMessage{true, "s", 4, 9, 5}, 5); // an older epoch's state says nothing
    EXPECT_FALSE(ring.Missing());
}

TEST(BoardRing, NewTitlesComeWithTheSameNumber) {
    BoardRing ring("A");
    ring.OnSnapshot(Snapshot(5, 2, {Starter("1")}), 0);
    SnapshotMessage renamed = Snapshot(5, 2, {Starter("9")});
    renamed.titles.title = "Agility A2";
    renamed.settings = {{"LaufCount", "2"}};
    ring.OnSnapshot(renamed, 7);
    EXPECT_EQ(ring.Titles().title, "Agility A2");
    EXPECT_EQ(ring.Settings(), renamed.settings);
    EXPECT_EQ(ring.Rows(), std::vector<ShowRow>{Starter("1")}); // the rows go by their numbers only
    EXPECT_EQ(ring.ChangedMs(), 7);
}

TEST(BoardRing, TheDurableCopyRestoresTheRing) {
    BoardRing ring("A");
    ring.OnSnapshot(Snapshot(5, 0, {Starter("1")}), 0);
    ring.OnEvent(Entry(5, 1, "2", "20,00"), 1);
    const SnapshotMessage copy = ring.ToSnapshot();
    const ShowReadResult read = ReadShowMessage(WriteShowMessage(copy));
    ASSERT_TRUE(read.Ok());
    BoardRing restarted("A");
    restarted.Restore(std::get<SnapshotMessage>(read.message));
    EXPECT_EQ(restarted.Rows(), ring.Rows());
    EXPECT_EQ(restarted.Titles(), ring.Titles());
    restarted.OnEvent(Entry(5, 1, "2", "20,00"), 2); // the redelivery after a restart
    restarted.OnEvent(Entry(5, 2, "3", "30,00"), 2);
    EXPECT_EQ(restarted.Rows().size(), 3u);
    EXPECT_EQ(restarted.Counts().duplicates, 1u);
}

} // namespace
} // namespace caniparc
