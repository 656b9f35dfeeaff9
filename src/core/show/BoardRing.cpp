// One ring on the show board (see BoardRing.h).
#include "show/BoardRing.h"

#include "show/ProtocolChange.h"

#include <algorithm>

namespace caniparc {

void BoardRing::Heard(std::int64_t sentMs, std::int64_t nowMs, bool retained) {
    if (retained)
        return;
    lastMessageMs_ = nowMs;
    clockOffsetMs_ = sentMs - nowMs;
}

void BoardRing::OnState(const StateMessage& state, std::int64_t nowMs, bool retained) {
    Heard(state.sentMs, nowMs, retained);
    if (state.online && state.epoch > epoch_ && state.epoch > wantEpoch_)
        wantEpoch_ = state.epoch;
    if (state.online && state.epoch == epoch_ && state.seq > wantSeq_)
        wantSeq_ = state.seq;
    state_ = state;
}

void BoardRing::OnLanes(const LanesMessage& lanes, std::int64_t nowMs, bool retained) {
    Heard(lanes.sentMs, nowMs, retained);
    lanes_ = lanes;
}

void BoardRing::OnSnapshot(const SnapshotMessage& snapshot, std::int64_t nowMs, bool retained) {
    Heard(snapshot.sentMs, nowMs, retained);
    if (snapshot.epoch < epoch_) {
        ++counts_.stale;
        return;
    }
    if (snapshot.epoch == epoch_ && snapshot.seq <= seq_) {
        // The titles and settings are not numbered: the station sends its snapshot again when
        // they change.
        if (snapshot.seq == seq_ && (snapshot.titles != titles_ || snapshot.settings != settings_)) {
            titles_ = snapshot.titles;
            settings_ = snapshot.settings;
            changedMs_ = nowMs;
        }
        ++counts_.duplicates;
        return;
    }
    // Runs entered while the board did not hear the ring (the broker lost them, or the board was
    // away) come whole in the snapshot; those the board held nothing of are not guessed at.
    if (HasData())
        NoteTimed(snapshot.rows);
    Restore(snapshot);
    DropUntimed();
    ++counts_.snapshots;
    changedMs_ = nowMs;
    Drain(nowMs);
}

void BoardRing::Restore(const SnapshotMessage& snapshot) {
    if (snapshot.epoch != epoch_)
        wantSeq_ = 0;
    epoch_ = snapshot.epoch;
    seq_ = snapshot.seq;
    titles_ = snapshot.titles;
    settings_ = snapshot.settings;
    rows_ = snapshot.rows;
    changedMs_ = snapshot.sentMs; // the board's own copy keeps when its data changed there
    if (wantEpoch_ <= epoch_)
        wantEpoch_ = 0;
    // Early events the snapshot already holds, and those of older epochs, are of no more use.
    for (auto it = buffered_.begin(); it != buffered_.end();) {
        if (it->first.first < epoch_ || (it->first.first == epoch_ && it->first.second <= seq_))
            it = buffered_.erase(it);
        else
            ++it;
    }
}

void BoardRing::OnEvent(const EventMessage& event, std::int64_t nowMs, bool retained) {
    Heard(event.sentMs, nowMs, retained);
    if (event.epoch < epoch_) {
        ++counts_.stale;
        return;
    }
    if (event.epoch == epoch_ && event.seq <= seq_) {
        ++counts_.duplicates;
        return;
    }
    if (event.epoch == epoch_ && event.seq == seq_ + 1) {
        Apply(event, nowMs);
        Drain(nowMs);
        return;
    }
    // Early, or of an epoch whose snapshot has not come yet.
    if (event.epoch > epoch_ && event.epoch > wantEpoch_)
        wantEpoch_ = event.epoch;
    if (buffered_.count({event.epoch, event.seq}))
        ++counts_.duplicates;
    else if (buffered_.size() >= MaxBuffered)
        ++counts_.dropped;
    else
        buffered_.emplace(std::pair(event.epoch, event.seq), event);
}

void BoardRing::NoteEntries(const EventMessage& event) {
    if (event.kind == ShowEventKind::Entry)
        NoteTimed(event.change.rows);
}

void BoardRing::NoteTimed(const std::vector<ShowRow>& changed) {
    // An entry also re-places other rows; the entered one is the row whose run got its time.
    for (const ShowRow& row : changed) {
        const auto before = std::find_if(rows_.begin(), rows_.end(),
                                         [&row](const ShowRow& held) { return held[ColStartNr] == row[ColStartNr]; });
        const bool hadTime1 = before != rows_.end() && !(*before)[ColTime1].empty();
        const bool hadTime2 = before != rows_.end() && !(*before)[ColTime2].empty();
        if ((!hadTime1 && !row[ColTime1].empty()) || (!hadTime2 && !row[ColTime2].empty())) {
            std::erase(recent_, row[ColStartNr]);
            recent_.push_front(row[ColStartNr]);
        }
    }
    while (recent_.size() > MaxRecent)
        recent_.pop_back();
}

// A run taken back, or a new class whose start numbers begin again, leaves no result named.
void BoardRing::DropUntimed() {
    std::erase_if(recent_, [this](const std::string& number) {
        const auto it = std::find_if(rows_.begin(), rows_.end(),
                                     [&number](const ShowRow& row) { return row[ColStartNr] == number; });
        return it == rows_.end() || ((*it)[ColTime1].empty() && (*it)[ColTime2].empty());
    });
}

void BoardRing::Apply(const EventMessage& event, std::int64_t nowMs) {
    NoteEntries(event);
    ApplyChange(rows_, event.change);
    DropUntimed();
    seq_ = event.seq;
    ++counts_.applied;
    changedMs_ = nowMs;
}

void BoardRing::Drain(std::int64_t nowMs) {
    while (!buffered_.empty()) {
        const auto it = buffered_.begin();
        if (it->first.first != epoch_ || it->first.second != seq_ + 1)
            break;
        Apply(it->second, nowMs);
        buffered_.erase(it);
    }
    if (!Missing())
        asked_ = false;
}

bool BoardRing::Missing() const {
    return wantEpoch_ > epoch_ || !buffered_.empty() || wantSeq_ > seq_;
}

std::optional<ResendMessage> BoardRing::ResendDue(std::int64_t nowMs) {
    if (!Missing() || (asked_ && nowMs - lastAskedMs_ < ResendIntervalMs))
        return std::nullopt;
    asked_ = true;
    lastAskedMs_ = nowMs;
    // Another epoch needs its snapshot first (epoch 0 asks for it); a gap in this one asks for
    // the events after what is held.
    if (wantEpoch_ > epoch_ || (!buffered_.empty() && buffered_.begin()->first.first != epoch_))
        return ResendMessage{name_, 0, 0};
    return ResendMessage{name_, epoch_, seq_};
}

SnapshotMessage BoardRing::ToSnapshot() const {
    return SnapshotMessage{epoch_, seq_, changedMs_, titles_, settings_, rows_};
}

BoardRingCopy BoardRing::ToCopy() const {
    return {ToSnapshot(), {recent_.begin(), recent_.end()}};
}

void BoardRing::Restore(const BoardRingCopy& copy) {
    Restore(copy.snapshot);
    const std::size_t kept = std::min(copy.recent.size(), MaxRecent);
    recent_.assign(copy.recent.begin(), copy.recent.begin() + static_cast<std::ptrdiff_t>(kept));
}

} // namespace caniparc
