// One ring as the show board holds it: applies every event once, in order, whatever the broker
// delivers twice, late or not at all; keeps events that came early until the gap before them is
// filled, asks the station for what is missing, and takes a newer epoch's snapshot over the
// older state. Time is passed in (milliseconds of the board's wall clock), never read.
#pragma once

#include "show/ShowMessage.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace caniparc {

struct BoardRingCounts {
    std::size_t applied = 0;    // events applied
    std::size_t snapshots = 0;  // snapshots taken
    std::size_t duplicates = 0; // events or snapshots already held
    std::size_t stale = 0;      // of an older epoch
    std::size_t dropped = 0;    // early events beyond the buffer (asked for again later)
    bool operator==(const BoardRingCounts&) const = default;
};

// The board's own durable copy of a ring: its state as one snapshot (its time is when the data
// last changed on the board) and the start numbers of the runs entered lately, newest first, as
// the events told them (the rows alone do not say in which order they got their times).
struct BoardRingCopy {
    SnapshotMessage snapshot;
    std::vector<std::string> recent;
    bool operator==(const BoardRingCopy&) const = default;
};

class BoardRing {
public:
    // Early events kept per ring at most; beyond, they are asked for again once the gap closes.
    static constexpr std::size_t MaxBuffered = 10'000;
    // A resend is asked for at most this often while a gap stays open.
    static constexpr std::int64_t ResendIntervalMs = 2'000;

    explicit BoardRing(std::string name) : name_(std::move(name)) {}

    // `retained`: kept by the broker from before, so it says nothing of when the station was
    // last heard or of its clock.
    void OnState(const StateMessage& state, std::int64_t nowMs, bool retained = false);
    void OnSnapshot(const SnapshotMessage& snapshot, std::int64_t nowMs, bool retained = false);
    void OnEvent(const EventMessage& event, std::int64_t nowMs, bool retained = false);
    void OnLanes(const LanesMessage& lanes, std::int64_t nowMs, bool retained = false);

    // The request to send now, when something is missing and none was asked for lately.
    std::optional<ResendMessage> ResendDue(std::int64_t nowMs);

    const std::string& Name() const { return name_; }
    bool HasData() const { return epoch_ != 0; }
    std::uint64_t Epoch() const { return epoch_; }
    std::uint64_t Seq() const { return seq_; }
    const ShowTitles& Titles() const { return titles_; }
    const std::vector<std::pair<std::string, std::string>>& Settings() const { return settings_; }
    const std::vector<ShowRow>& Rows() const { return rows_; }
    const std::optional<StateMessage>& State() const { return state_; }
    const std::optional<LanesMessage>& Lanes() const { return lanes_; }
    std::size_t Buffered() const { return buffered_.size(); }
    bool Missing() const;
    const BoardRingCounts& Counts() const { return counts_; }
    // When the last message of this ring came (0: none yet), and how far the station's clock
    // was from the board's then (station minus board, transit included).
    std::int64_t LastMessageMs() const { return lastMessageMs_; }
    std::int64_t ClockOffsetMs() const { return clockOffsetMs_; }
    // When the data last changed.
    std::int64_t ChangedMs() const { return changedMs_; }
    // The start numbers of the runs entered lately, the newest first (at most MaxRecent): the
    // rows an entry event or a later snapshot gave a time they did not have.
    static constexpr std::size_t MaxRecent = 10;
    const std::deque<std::string>& RecentEntries() const { return recent_; }

    // The ring's state as one snapshot (its time is when the data last changed on the board); and
    // back, as a newer snapshot of the station replaces it.
    SnapshotMessage ToSnapshot() const;
    void Restore(const SnapshotMessage& snapshot);
    // The board's own copy, and back after a restart.
    BoardRingCopy ToCopy() const;
    void Restore(const BoardRingCopy& copy);

private:
    void Heard(std::int64_t sentMs, std::int64_t nowMs, bool retained);
    void Drain(std::int64_t nowMs);
    void Apply(const EventMessage& event, std::int64_t nowMs);
    void NoteEntries(const EventMessage& event);
    void NoteTimed(const std::vector<ShowRow>& changed);
    void DropUntimed();

    std::string name_;
    std::uint64_t epoch_ = 0;
    std::uint64_t seq_ = 0;
    ShowTitles titles_;
    std::vector<std::pair<std::string, std::string>> settings_;
    std::vector<ShowRow> rows_;
    std::optional<StateMessage> state_;
    std::optional<LanesMessage> lanes_;
    // Events that came before their predecessors, by (epoch, seq).
    std::map<std::pair<std::uint64_t, std::uint64_t>, EventMessage> buffered_;
    std::uint64_t wantEpoch_ = 0; // a newer epoch heard of, whose snapshot is still missing
    std::uint64_t wantSeq_ = 0;   // the last number the station says it gave in this epoch
    std::int64_t lastAskedMs_ = 0;
    bool asked_ = false;
    BoardRingCounts counts_;
    std::int64_t lastMessageMs_ = 0;
    std::int64_t clockOffsetMs_ = 0;
    std::int64_t changedMs_ = 0;
    std::deque<std::string> recent_;
};

} // namespace caniparc
