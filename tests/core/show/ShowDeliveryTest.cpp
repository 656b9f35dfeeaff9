// Stations, a broker and the board in simulated time, driven by random faults: messages
// delivered twice, late and out of order, acknowledgements lost, connections cut, the broker
// killed with everything it held, stations and the board restarted. Whatever happens, once the
// faults stop each ring on the board holds exactly its station's protocol. The model is the
// station's own protocol, changed by random edits; the board only ever sees messages.
#include "show/Outbox.h"
#include "show/ProtocolChange.h"
#include "show/ShowBoard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <random>

namespace caniparc {
namespace {

const std::string Show = "Frühjahrsturnier";

struct Wire {
    std::string topic;
    std::string body;
};

struct SimStation {
    std::string ring;
    MemoryOutboxStore store; // the outbox file: outlives a restart
    std::unique_ptr<Outbox> outbox;
    std::vector<ShowRow> rows; // the protocol as the backup keeps it
    bool connected = false;
};

class Simulation {
public:
    Simulation(unsigned seed, int rings) : random_(seed) {
        for (int r = 0; r < rings; ++r) {
            auto s = std::make_unique<SimStation>();
            s->ring = "Ring " + std::to_string(r + 1);
            s->outbox = std::make_unique<Outbox>(s->store, now_, "station-" + std::to_string(r));
            stations_.push_back(std::move(s));
        }
    }

    void Step() {
        now_ += Pick(0, 300);
        const int action = Pick(0, 99);
        SimStation& s = *stations_[static_cast<std::size_t>(Pick(0, static_cast<int>(stations_.size()) - 1))];
        if (action < 30)
            Edit(s);
        else if (action < 45)
            Acknowledge();
        else if (action < 75)
            DeliverToBoard();
        else if (action < 82)
            AskForResends();
        else if (action < 88)
            AnswerResend();
        else if (action < 91)
            Connect(s);
        else if (action < 93)
            Cut(s);
        else if (action < 94)
            RestartStation(s);
        else if (action < 95)
            RestartBoard();
        else if (action < 96)
            KillBroker();
        else if (action < 97)
            toBoard_.push_back({RingTopicName(Show, s.ring, RingTopic::Events), Garbage()});
        else if (s.connected)
            PublishState(s);
    }

    // No more faults: everything connects and is delivered, and the board asks until it has all.
    void Settle() {
        for (auto& s : stations_)
            Connect(*s);
        for (int round = 0; round < 1000; ++round) {
            while (!pendingAcks_.empty())
                Acknowledge();
            while (!toBoard_.empty())
                DeliverToBoard();
            while (!toStations_.empty())
                AnswerResend();
            now_ += BoardRing::ResendIntervalMs;
            AskForResends();
            if (toBoard_.empty() && toStations_.empty() && pendingAcks_.empty())
                return;
        }
        FAIL() << "the board kept asking";
    }

    void ExpectBoardMatchesStations() const {
        for (const auto& s : stations_) {
            const auto it = board_->Rings().find(s->ring);
            ASSERT_NE(it, board_->Rings().end()) << s->ring;
            EXPECT_EQ(it->second.Epoch(), s->outbox->Epoch()) << s->ring;
            EXPECT_EQ(it->second.Seq(), s->outbox->LastSeq()) << s->ring;
            EXPECT_EQ(it->second.Rows(), s->rows) << s->ring;
            EXPECT_EQ(s->outbox->Pending(), 0u) << s->ring;
        }
    }
    const ShowBoard& Board() const { return *board_; }

private:
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }

    void Edit(SimStation& s) {
        const std::vector<ShowRow> before = s.rows;
        const std::string number = std::to_string(Pick(1, 40));
        const auto row = [&] { return static_cast<std::size_t>(Pick(0, static_cast<int>(s.rows.size()) - 1)); };
        const int what = Pick(0, 9);
        if ((what < 3 && s.rows.size() < 30) || s.rows.empty()) {
            ShowRow r;
            r[ColStartNr] = number;
            r[ColDogName] = "Hund " + number;
            s.rows.push_back(r);
        } else if (what < 7) { // an entry, then the places move
            s.rows[row()][ColTime1] = std::to_string(Pick(20, 60)) + "," + std::to_string(Pick(10, 99));
            for (std::size_t i = 0; i < s.rows.size(); ++i)
                s.rows[i][ColPlace] = std::to_string((i * 7 + static_cast<std::size_t>(now_)) % s.rows.size() + 1);
        } else if (what < 8) {
            s.rows.erase(s.rows.begin() + static_cast<std::ptrdiff_t>(row()));
        } else if (what < 9) {
            s.rows[row()][ColStartNr] = number; // sometimes a number already there
        } else {
            std::shuffle(s.rows.begin(), s.rows.end(), random_);
        }
        s.store.failWrites = Pick(0, 49) == 0; // now and then the outbox's disk is full
        const auto event = s.outbox->Add(what < 7 ? ShowEventKind::Entry : ShowEventKind::Correction,
                                         DiffProtocol(before, s.rows), now_);
        s.store.failWrites = false;
        if (event && s.connected)
            PublishEvent(s, event->seq, WriteShowMessage(*event));
    }

    void PublishEvent(SimStation& s, std::uint64_t seq, std::string body) {
        s.outbox->Sending(seq);
        toBoard_.push_back({RingTopicName(Show, s.ring, RingTopic::Events), std::move(body)});
        pendingAcks_.push_back({&s, s.outbox->Epoch(), seq});
    }

    void PublishSnapshot(SimStation& s) {
        const SnapshotMessage snapshot{s.outbox->Epoch(), s.outbox->LastSeq(), now_, {}, {}, s.rows};
        Wire wire{RingTopicName(Show, s.ring, RingTopic::Snapshot), WriteShowMessage(snapshot)};
        retained_[s.ring + "/snapshot"] = wire;
        toBoard_.push_back(std::move(wire));
    }

    // The station's retained state, also sent every few seconds while connected.
    void PublishState(SimStation& s) {
        const StateMessage online{true, s.outbox->StationId(), s.outbox->Epoch(), s.outbox->LastSeq(), now_};
        Wire wire{RingTopicName(Show, s.ring, RingTopic::State), WriteShowMessage(online)};
        retained_[s.ring + "/state"] = wire;
        toBoard_.push_back(std::move(wire));
    }

    void Connect(SimStation& s) {
        if (s.connected)
            return;
        s.connected = true;
        PublishState(s);
        PublishSnapshot(s);
        for (const OutboxRecord& r : s.outbox->Next(100000))
            PublishEvent(s, r.seq, r.body);
    }

    void Disconnect(SimStation& s) {
        s.connected = false;
        s.outbox->Disconnected();
        std::erase_if(pendingAcks_, [&](const Ack& a) { return a.station == &s; });
    }

    void Cut(SimStation& s) {
        if (s.connected)
            Disconnect(s);
    }

    void RestartStation(SimStation& s) {
        Disconnect(s);
        s.outbox = std::make_unique<Outbox>(s.store, now_, "another id");
    }

    void KillBroker() {
        for (auto& s : stations_)
            if (s->connected)
                Disconnect(*s);
        toBoard_.clear();
        toStations_.clear();
        retained_.clear();
    }

    void RestartBoard() {
        auto board = std::make_unique<ShowBoard>(Show);
        for (const auto& [ring, copy] : boardCopy_) {
            const ShowReadResult read = ReadShowMessage(copy);
            ASSERT_TRUE(read.Ok());
            board->Restore(ring, BoardRingCopy{std::get<SnapshotMessage>(read.message), {}});
        }
        board_ = std::move(board);
        for (const auto& [ring, wire] : retained_) // retained messages come first on subscribing
            toBoard_.push_front(wire);
    }

    void Acknowledge() {
        if (pendingAcks_.empty())
            return;
        const auto at = pendingAcks_.begin() + Pick(0, static_cast<int>(pendingAcks_.size()) - 1);
        const Ack ack = *at;
        pendingAcks_.erase(at);
        if (ack.epoch == ack.station->outbox->Epoch())
            ack.station->outbox->Acknowledged(ack.seq);
    }

    void DeliverToBoard() {
        if (toBoard_.empty())
            return;
        // Out of order within a small window; now and then delivered twice.
        const int window = std::min<int>(static_cast<int>(toBoard_.size()), 4);
        const auto at = toBoard_.begin() + Pick(0, window - 1);
        const Wire wire = *at;
        if (Pick(0, 9) != 0)
            toBoard_.erase(at);
        board_->Receive(wire.topic, wire.body, now_);
        for (const std::string& ring : board_->TakeChanged()) {
            const BoardRing& r = board_->Rings().at(ring);
            boardCopy_[ring] = WriteShowMessage(r.ToSnapshot());
        }
    }

    void AskForResends() {
        for (ResendMessage& request : board_->ResendsDue(now_))
            toStations_.push_back(std::move(request));
    }

    void AnswerResend() {
        if (toStations_.empty())
            return;
        const ResendMessage request = toStations_.front();
        toStations_.pop_front();
        for (auto& s : stations_) {
            if (s->ring != request.ring || !s->connected)
                continue;
            const auto records = s->outbox->Resend(request.epoch, request.after, 1000);
            if (!records) {
                PublishSnapshot(*s);
                continue;
            }
            for (const OutboxRecord& r : *records)
                toBoard_.push_back({RingTopicName(Show, s->ring, RingTopic::Events), r.body});
        }
    }

    std::string Garbage() {
        static const std::vector<std::string> bad = {"",
                                                     "{",
                                                     "null",
                                                     R"({"v":9,"type":"event"})",
                                                     R"({"v":1,"type":"event","epoch":1})",
                                                     R"({"v":1,"type":"lanes","time":0,"lanes":[]})"};
        return bad[static_cast<std::size_t>(Pick(0, static_cast<int>(bad.size()) - 1))];
    }

    struct Ack {
        SimStation* station;
        std::uint64_t epoch, seq;
    };

    std::mt19937 random_;
    std::int64_t now_ = 1'750'000'000'000;
    std::vector<std::unique_ptr<SimStation>> stations_;
    std::unique_ptr<ShowBoard> board_ = std::make_unique<ShowBoard>(Show);
    std::map<std::string, std::string> boardCopy_; // the board's own durable copy
    std::deque<Wire> toBoard_;                     // what the broker holds for the board
    std::map<std::string, Wire> retained_;
    std::deque<ResendMessage> toStations_;
    std::vector<Ack> pendingAcks_;
};

TEST(ShowDelivery, EveryRingEndsExactlyAsItsStationWhateverTheNetworkDid) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        Simulation sim(seed, 3);
        for (int step = 0; step < 1500; ++step)
            sim.Step();
        sim.Settle();
        SCOPED_TRACE("seed " + std::to_string(seed));
        sim.ExpectBoardMatchesStations();
        if (::testing::Test::HasFailure())
            return;
    }
}

} // namespace
} // namespace caniparc
