// Whether the broker still answers: a connection over which messages wait for their
// acknowledgement and none has come for longer than the limit counts as lost, even while TCP
// still says it is up (a cable pulled, a switch gone). Measured from the later of the oldest
// wait's start and the last acknowledgement, so a long queue that the broker works through
// steadily is not taken for a dead one.
#pragma once

#include <cstdint>
#include <map>

namespace caniparc {

// The station's retained state goes out this often, and an answer later than the limit counts
// as a lost connection: a broker that stops answering shows within their sum (4 s).
inline constexpr std::int64_t ShowHeartbeatMs = 2000;
inline constexpr std::int64_t ShowAckLimitMs = 2000;

class AckWatch {
public:
    explicit AckWatch(std::int64_t limitMs) : limitMs_(limitMs) {}

    void Sent(int messageId, std::int64_t nowMs);
    // False for an id that was not waiting (a late answer of an earlier connection).
    bool Acknowledged(int messageId, std::int64_t nowMs);
    void Reset(); // a new connection
    bool Lost(std::int64_t nowMs) const;
    std::size_t Waiting() const { return sent_.size(); }

private:
    std::int64_t limitMs_;
    std::map<int, std::int64_t> sent_;
    std::int64_t lastAckMs_ = 0;
};

} // namespace caniparc
