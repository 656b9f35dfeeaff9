// The show board's rings (see ShowBoard.h).
#include "show/ShowBoard.h"

#include <numeric>
#include <variant>

namespace caniparc {

std::size_t ShowBoardIgnored::Total() const {
    return std::accumulate(byReason.begin(), byReason.end(), tooManyRings);
}

BoardRing* ShowBoard::RingFor(const std::string& name) {
    auto it = rings_.find(name);
    if (it != rings_.end())
        return &it->second;
    if (rings_.size() >= MaxRings) {
        ++ignored_.tooManyRings;
        return nullptr;
    }
    return &rings_.emplace(name, BoardRing(name)).first->second;
}

bool ShowBoard::Receive(std::string_view topic, std::string_view bytes, std::int64_t nowMs, bool retained) {
    const auto parsed = ParseRingTopic(show_, topic);
    if (!parsed) {
        ++ignored_.byReason[0];
        return false;
    }
    ShowReadResult read = ReadShowMessage(bytes);
    if (!read.Ok()) {
        ++ignored_.byReason[static_cast<std::size_t>(read.error)];
        return false;
    }
    const auto fits = [&](RingTopic expected) { return parsed->topic == expected; };
    const bool onItsTopic = std::visit(
        [&](const auto& m) {
            using M = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<M, StateMessage>)
                return fits(RingTopic::State);
            else if constexpr (std::is_same_v<M, SnapshotMessage>)
                return fits(RingTopic::Snapshot);
            else if constexpr (std::is_same_v<M, EventMessage>)
                return fits(RingTopic::Events);
            else if constexpr (std::is_same_v<M, LanesMessage>)
                return fits(RingTopic::Lanes);
            else
                return false;
        },
        read.message);
    if (!onItsTopic) {
        ++ignored_.byReason[0];
        return false;
    }
    BoardRing* ring = RingFor(parsed->ring);
    if (!ring)
        return false;
    const std::int64_t changedBefore = ring->ChangedMs();
    const std::uint64_t epochBefore = ring->Epoch(), seqBefore = ring->Seq();
    std::visit(
        [&](const auto& m) {
            using M = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<M, StateMessage>)
                ring->OnState(m, nowMs, retained);
            else if constexpr (std::is_same_v<M, SnapshotMessage>)
                ring->OnSnapshot(m, nowMs, retained);
            else if constexpr (std::is_same_v<M, EventMessage>)
                ring->OnEvent(m, nowMs, retained);
            else if constexpr (std::is_same_v<M, LanesMessage>)
                ring->OnLanes(m, nowMs, retained);
        },
        read.message);
    if (ring->ChangedMs() != changedBefore || ring->Epoch() != epochBefore || ring->Seq() != seqBefore)
        changed_.insert(parsed->ring);
    return true;
}

std::vector<ResendMessage> ShowBoard::ResendsDue(std::int64_t nowMs) {
    std::vector<ResendMessage> due;
    for (auto& [name, ring] : rings_)
        if (auto request = ring.ResendDue(nowMs))
            due.push_back(std::move(*request));
    return due;
}

void ShowBoard::Restore(const std::string& ring, const BoardRingCopy& copy) {
    if (BoardRing* r = RingFor(ring))
        r->Restore(copy);
}

std::vector<std::string> ShowBoard::TakeChanged() {
    std::vector<std::string> names(changed_.begin(), changed_.end());
    changed_.clear();
    return names;
}

} // namespace caniparc
