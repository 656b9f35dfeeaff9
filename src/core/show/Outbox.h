// The station's outbox: every change it publishes is numbered (epoch, sequence) and written to a
// durable store before it is sent, and counts as sent only when the broker has acknowledged it.
// After any reconnect the station sends its snapshot and the unsent tail again, so a broker that
// lost everything loses nothing the board needs.
#pragma once

#include "show/ShowMessage.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace caniparc {

struct OutboxRecord {
    std::uint64_t seq = 0;
    std::string body; // the event's message text, as sent
    bool sent = false;
    bool operator==(const OutboxRecord&) const = default;
};

// Where the outbox keeps its records. Append and MarkSent return only once the change is as
// durable as the store can make it; false means it was not stored.
class OutboxStore {
public:
    virtual ~OutboxStore() = default;
    virtual std::optional<std::string> Meta(std::string_view key) = 0;
    virtual bool SetMeta(std::string_view key, std::string_view value) = 0;
    virtual bool Append(std::uint64_t epoch, std::uint64_t seq, std::string_view body) = 0;
    virtual bool MarkSent(std::uint64_t epoch, std::uint64_t seq) = 0;
    virtual std::uint64_t LastSeq(std::uint64_t epoch) = 0;
    virtual std::size_t UnsentCount(std::uint64_t epoch) = 0;
    // Records of `epoch` with a sequence above `after`, in order, at most `limit`.
    virtual std::vector<OutboxRecord> After(std::uint64_t epoch, std::uint64_t after, std::size_t limit,
                                            bool unsentOnly) = 0;
};

// A store in memory: for tests, and for a station whose outbox file cannot be opened (it still
// publishes, only a station restart loses the unsent tail).
class MemoryOutboxStore final : public OutboxStore {
public:
    std::optional<std::string> Meta(std::string_view key) override;
    bool SetMeta(std::string_view key, std::string_view value) override;
    bool Append(std::uint64_t epoch, std::uint64_t seq, std::string_view body) override;
    bool MarkSent(std::uint64_t epoch, std::uint64_t seq) override;
    std::uint64_t LastSeq(std::uint64_t epoch) override;
    std::size_t UnsentCount(std::uint64_t epoch) override;
    std::vector<OutboxRecord> After(std::uint64_t epoch, std::uint64_t after, std::size_t limit,
                                    bool unsentOnly) override;

    bool failWrites = false; // a full disk, for tests

private:
    std::map<std::string, std::string, std::less<>> meta_;
    std::map<std::pair<std::uint64_t, std::uint64_t>, OutboxRecord> records_;
};

// The first epoch of a new outbox, or the next after `previous`: never below the wall clock's
// milliseconds, so a station that lost its outbox still starts above what the board holds.
std::uint64_t NextEpoch(std::uint64_t previous, std::int64_t wallMs);

class Outbox {
public:
    // Starts the next epoch after the stored one; keeps the stored station id, or takes
    // `stationId` in a new store.
    Outbox(OutboxStore& store, std::int64_t wallMs, std::string stationId);

    std::uint64_t Epoch() const { return epoch_; }
    std::uint64_t LastSeq() const { return lastSeq_; }
    const std::string& StationId() const { return stationId_; }

    // Numbers and stores one change; the event to publish, or nothing when the change is empty.
    // A change the store refused still takes its number: the board sees the gap and gets the
    // snapshot instead.
    std::optional<EventMessage> Add(ShowEventKind kind, ProtocolChange change, std::int64_t wallMs);
    bool StoreFailed() const { return storeFailed_; }

    // The connection's side. Next gives unsent records not already on their way, in order.
    std::vector<OutboxRecord> Next(std::size_t limit);
    void Sending(std::uint64_t seq) { inFlight_.insert(seq); }
    void Acknowledged(std::uint64_t seq);
    void Disconnected() { inFlight_.clear(); }
    std::size_t Pending();

    // For a board's resend request: the records after `after` of this epoch, or nothing when the
    // board must take the snapshot (another epoch, or records the store no longer has).
    std::optional<std::vector<OutboxRecord>> Resend(std::uint64_t epoch, std::uint64_t after, std::size_t limit);

private:
    OutboxStore& store_;
    std::uint64_t epoch_ = 0;
    std::uint64_t lastSeq_ = 0;
    std::string stationId_;
    std::set<std::uint64_t> inFlight_;
    bool storeFailed_ = false;
};

} // namespace caniparc
