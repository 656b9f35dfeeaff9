// One ring, one station (see RingClaim.h).
#include "show/RingClaim.h"

#include <tuple>

namespace caniparc {

void RingClaim::Connected(std::int64_t nowMs) {
    connected_ = true;
    connectedMs_ = nowMs;
    publishing_ = false;
}

void RingClaim::Heard(const StateMessage& state, bool retained) {
    if (refused_ || retained || !state.online || state.station == id_)
        return;
    // Before it ever published, any live station wins; afterwards only one that started first.
    if (!published_ || std::tie(state.epoch, state.station) < std::tie(epoch_, id_)) {
        refused_ = true;
        other_ = state.station;
    }
}

RingClaim::Verdict RingClaim::At(std::int64_t nowMs) {
    if (refused_)
        return Verdict::Refused;
    if (connected_ && !publishing_ && nowMs - connectedMs_ >= ListenMs)
        publishing_ = published_ = true;
    return publishing_ ? Verdict::Publishing : Verdict::Listening;
}

std::string RingTakenText(const std::string& ring) {
    return "Turnier: " + ring + " sendet schon eine andere Station";
}

} // namespace caniparc
