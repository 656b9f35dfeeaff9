// Whether the broker still answers (see AckWatch.h).
#include "show/AckWatch.h"

#include <algorithm>

namespace caniparc {

void AckWatch::Sent(int messageId, std::int64_t nowMs) {
    sent_[messageId] = nowMs;
}

bool AckWatch::Acknowledged(int messageId, std::int64_t nowMs) {
    if (sent_.erase(messageId) == 0)
        return false;
    lastAckMs_ = nowMs;
    return true;
}

void AckWatch::Reset() {
    sent_.clear();
    lastAckMs_ = 0;
}

bool AckWatch::Lost(std::int64_t nowMs) const {
    if (sent_.empty())
        return false;
    std::int64_t oldest = sent_.begin()->second;
    for (const auto& [id, at] : sent_)
        oldest = std::min(oldest, at);
    return nowMs - std::max(oldest, lastAckMs_) > limitMs_;
}

} // namespace caniparc
