// The outbox: numbering, what counts as sent, what a reconnect and a resend request get, and the
// SQLite file keeping all of it across a restart of the station.
#include "show/Outbox.h"
#include "show/SqliteOutboxStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace caniparc {
namespace {

ProtocolChange Change(const std::string& number) {
    ShowRow row;
    row[ColStartNr] = number;
    return ProtocolChange{false, {row}, {}, {}};
}

std::vector<std::uint64_t> Seqs(const std::vector<OutboxRecord>& records) {
    std::vector<std::uint64_t> seqs;
    for (const OutboxRecord& r : records)
        seqs.push_back(r.seq);
    return seqs;
}

TEST(Outbox, EveryStartTakesANewEpochAboveTheClockAndKeepsTheStationId) {
    MemoryOutboxStore store;
    Outbox first(store, 5000, "station-a");
    EXPECT_EQ(first.Epoch(), 5000u);
    first.Add(ShowEventKind::Entry, Change("1"), 5001);
    // A clock set back still gives a newer epoch; the id stays with the store.
    Outbox second(store, 10, "station-b");
    EXPECT_EQ(second.Epoch(), 5001u);
    EXPECT_EQ(second.StationId(), "station-a");
    EXPECT_EQ(second.LastSeq(), 0u);
    EXPECT_EQ(second.Pending(), 0u); // the old epoch's tail is not sent again
}

TEST(Outbox, ARecordCountsAsSentOnlyWhenAcknowledged) {
    MemoryOutboxStore store;
    Outbox outbox(store, 1, "s");
    EXPECT_FALSE(outbox.Add(ShowEventKind::Entry, ProtocolChange{}, 2)); // nothing changed: no number used
    for (const char* n : {"1", "2", "3"})
        EXPECT_EQ(outbox.Add(ShowEventKind::Entry, Change(n), 2)->epoch, 1u);
    EXPECT_EQ(outbox.LastSeq(), 3u);
    EXPECT_EQ(Seqs(outbox.Next(2)), (std::vector<std::uint64_t>{1, 2}));
    outbox.Sending(1);
    outbox.Sending(2);
    EXPECT_EQ(Seqs(outbox.Next(10)), std::vector<std::uint64_t>{3});
    outbox.Acknowledged(2);
    EXPECT_EQ(outbox.Pending(), 2u);
    // The connection dropped before 1 was acknowledged: it goes again.
    outbox.Disconnected();
    EXPECT_EQ(Seqs(outbox.Next(10)), (std::vector<std::uint64_t>{1, 3}));
    const ShowReadResult read = ReadShowMessage(outbox.Next(1).front().body);
    ASSERT_TRUE(read.Ok());
    EXPECT_EQ(std::get<EventMessage>(read.message).change, Change("1"));
}

TEST(Outbox, AResendGivesTheRecordsOrTellsToSendTheSnapshot) {
    MemoryOutboxStore store;
    Outbox outbox(store, 1, "s");
    for (const char* n : {"1", "2", "3", "4"})
        outbox.Add(ShowEventKind::Entry, Change(n), 2);
    EXPECT_EQ(Seqs(*outbox.Resend(1, 2, 10)), (std::vector<std::uint64_t>{3, 4}));
    EXPECT_EQ(Seqs(*outbox.Resend(1, 0, 3)), (std::vector<std::uint64_t>{1, 2, 3}));
    EXPECT_TRUE(outbox.Resend(1, 4, 10)->empty());
    EXPECT_FALSE(outbox.Resend(0, 0, 10)); // the board has nothing: the snapshot
    EXPECT_FALSE(outbox.Resend(2, 0, 10)); // another epoch
    EXPECT_FALSE(outbox.Resend(1, 9, 10)); // beyond what was numbered
}

TEST(Outbox, AFullDiskIsReportedAndTheGapTurnsIntoASnapshot) {
    MemoryOutboxStore store;
    Outbox outbox(store, 1, "s");
    outbox.Add(ShowEventKind::Entry, Change("1"), 2);
    store.failWrites = true;
    EXPECT_EQ(outbox.Add(ShowEventKind::Entry, Change("2"), 2)->seq, 2u);
    EXPECT_TRUE(outbox.StoreFailed());
    store.failWrites = false;
    outbox.Add(ShowEventKind::Entry, Change("3"), 2);
    EXPECT_FALSE(outbox.Resend(1, 1, 10)); // 2 is not there to resend
    EXPECT_EQ(Seqs(*outbox.Resend(1, 2, 10)), std::vector<std::uint64_t>{3});
}

class SqliteOutbox : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() / ("caniparc-outbox-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::unique_ptr<SqliteOutboxStore> Open() {
        std::string error;
        auto store = SqliteOutboxStore::Open(folder_ / "outbox.sqlite", error);
        EXPECT_TRUE(store) << error;
        return store;
    }
    std::filesystem::path folder_;
};

TEST_F(SqliteOutbox, KeepsRecordsAndSentMarksAcrossARestart) {
    {
        auto store = Open();
        ASSERT_TRUE(store);
        ASSERT_TRUE(store->SetMeta("station", "a"));
        ASSERT_TRUE(store->SetMeta("station", "b"));
        for (std::uint64_t seq = 1; seq <= 5; ++seq)
            ASSERT_TRUE(store->Append(7, seq, "body " + std::to_string(seq)));
        EXPECT_FALSE(store->Append(7, 5, "again")); // a number is never used twice
        ASSERT_TRUE(store->Append(8, 1, "next epoch"));
        EXPECT_TRUE(store->MarkSent(7, 2));
        EXPECT_FALSE(store->MarkSent(7, 99));
    }
    auto store = Open();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->Meta("station"), "b");
    EXPECT_FALSE(store->Meta("nothing"));
    EXPECT_EQ(store->LastSeq(7), 5u);
    EXPECT_EQ(store->LastSeq(9), 0u);
    EXPECT_EQ(store->UnsentCount(7), 4u);
    EXPECT_EQ(Seqs(store->After(7, 0, 10, true)), (std::vector<std::uint64_t>{1, 3, 4, 5}));
    EXPECT_EQ(Seqs(store->After(7, 1, 2, false)), (std::vector<std::uint64_t>{2, 3}));
    EXPECT_EQ(store->After(7, 3, 1, false).front(), (OutboxRecord{4, "body 4", false}));
    EXPECT_EQ(Seqs(store->After(7, 0, static_cast<std::size_t>(-1), false)).size(), 5u);
}

TEST_F(SqliteOutbox, PruningForgetsOnlySentRecords) {
    auto store = Open();
    ASSERT_TRUE(store);
    for (std::uint64_t seq = 1; seq <= 10; ++seq) {
        store->Append(1, seq, "old");
        store->Append(2, seq, "new");
        if (seq != 3) {
            store->MarkSent(1, seq);
            store->MarkSent(2, seq);
        }
    }
    ASSERT_TRUE(store->Prune(2, 4));
    EXPECT_EQ(Seqs(store->After(1, 0, 100, false)), std::vector<std::uint64_t>{3});
    EXPECT_EQ(Seqs(store->After(2, 0, 100, false)), (std::vector<std::uint64_t>{3, 7, 8, 9, 10}));
}

TEST_F(SqliteOutbox, AnUnreadableFileIsRefusedWithItsReason) {
    std::filesystem::create_directories(folder_ / "outbox.sqlite"); // a folder where the file should be
    std::string error;
    EXPECT_FALSE(SqliteOutboxStore::Open(folder_ / "outbox.sqlite", error));
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace caniparc
