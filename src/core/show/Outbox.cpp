// The station's outbox (see Outbox.h).
#include "show/Outbox.h"

#include <algorithm>
#include <charconv>

namespace caniparc {

namespace {

std::optional<std::uint64_t> ParseNumber(const std::optional<std::string>& text) {
    if (!text)
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (ec != std::errc() || end != text->data() + text->size())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::string> MemoryOutboxStore::Meta(std::string_view key) {
    const auto it = meta_.find(key);
    return it == meta_.end() ? std::nullopt : std::optional<std::string>(it->second);
}

bool MemoryOutboxStore::SetMeta(std::string_view key, std::string_view value) {
    if (failWrites)
        return false;
    meta_[std::string(key)] = std::string(value);
    return true;
}

bool MemoryOutboxStore::Append(std::uint64_t epoch, std::uint64_t seq, std::string_view body) {
    if (failWrites)
        return false;
    return records_.emplace(std::pair(epoch, seq), OutboxRecord{seq, std::string(body), false}).second;
}

bool MemoryOutboxStore::MarkSent(std::uint64_t epoch, std::uint64_t seq) {
    const auto it = records_.find({epoch, seq});
    if (failWrites || it == records_.end())
        return false;
    it->second.sent = true;
    return true;
}

std::uint64_t MemoryOutboxStore::LastSeq(std::uint64_t epoch) {
    const auto it = records_.lower_bound({epoch + 1, 0});
    return it == records_.begin() || std::prev(it)->first.first != epoch ? 0 : std::prev(it)->first.second;
}

std::size_t MemoryOutboxStore::UnsentCount(std::uint64_t epoch) {
    return static_cast<std::size_t>(std::count_if(records_.lower_bound({epoch, 0}),
                                                  records_.lower_bound({epoch + 1, 0}),
                                                  [](const auto& r) { return !r.second.sent; }));
}

std::vector<OutboxRecord> MemoryOutboxStore::After(std::uint64_t epoch, std::uint64_t after, std::size_t limit,
                                                   bool unsentOnly) {
    std::vector<OutboxRecord> out;
    for (auto it = records_.upper_bound({epoch, after}); it != records_.end() && it->first.first == epoch; ++it) {
        if (out.size() >= limit)
            break;
        if (!unsentOnly || !it->second.sent)
            out.push_back(it->second);
    }
    return out;
}

std::uint64_t NextEpoch(std::uint64_t previous, std::int64_t wallMs) {
    return std::max<std::uint64_t>(previous + 1, wallMs > 0 ? static_cast<std::uint64_t>(wallMs) : 0);
}

Outbox::Outbox(OutboxStore& store, std::int64_t wallMs, std::string stationId) : store_(store) {
    // Every start is a new epoch: the snapshot of the protocol restored from the backup then wins
    // on the board over whatever the last run left there, even a change the backup got and the
    // outbox did not. The unsent tail of earlier epochs is of no more use.
    const auto previous = ParseNumber(store_.Meta("epoch"));
    const auto id = store_.Meta("station");
    epoch_ = NextEpoch(previous.value_or(0), wallMs);
    stationId_ = id && !id->empty() ? *id : std::move(stationId);
    storeFailed_ = !store_.SetMeta("epoch", std::to_string(epoch_)) || !store_.SetMeta("station", stationId_);
}

std::optional<EventMessage> Outbox::Add(ShowEventKind kind, ProtocolChange change, std::int64_t wallMs) {
    if (change.Empty())
        return std::nullopt;
    EventMessage event{epoch_, ++lastSeq_, wallMs, kind, std::move(change)};
    if (!store_.Append(epoch_, event.seq, WriteShowMessage(event)))
        storeFailed_ = true;
    return event;
}

std::vector<OutboxRecord> Outbox::Next(std::size_t limit) {
    std::vector<OutboxRecord> out;
    std::uint64_t after = 0;
    while (out.size() < limit) {
        const auto batch = store_.After(epoch_, after, limit + inFlight_.size(), true);
        for (const OutboxRecord& r : batch)
            if (!inFlight_.count(r.seq) && out.size() < limit)
                out.push_back(r);
        if (batch.size() < limit + inFlight_.size())
            break;
        after = batch.back().seq;
    }
    return out;
}

void Outbox::Acknowledged(std::uint64_t seq) {
    inFlight_.erase(seq);
    if (!store_.MarkSent(epoch_, seq))
        storeFailed_ = true;
}

std::size_t Outbox::Pending() {
    return store_.UnsentCount(epoch_);
}

std::optional<std::vector<OutboxRecord>> Outbox::Resend(std::uint64_t epoch, std::uint64_t after, std::size_t limit) {
    if (epoch != epoch_ || after > lastSeq_)
        return std::nullopt;
    auto records = store_.After(epoch_, after, limit, false);
    if (after < lastSeq_ && (records.empty() || records.front().seq != after + 1))
        return std::nullopt;
    return records;
}

} // namespace caniparc
