// One ring, one station. After connecting, a station listens before it publishes: a ring whose
// station is alive sends its state every few seconds, so hearing another station's live state
// within the window means the ring is taken, and this station is refused. A retained state alone
// says nothing (its station may have died with the broker). When two stations started together
// and both publish, the one that started first (the lower epoch) keeps the ring; a station that
// published once keeps that right across reconnects.
#pragma once

#include "show/ShowMessage.h"

#include <cstdint>
#include <string>

namespace caniparc {

class RingClaim {
public:
    // Longer than the state's heartbeat, so a live station is heard within it.
    static constexpr std::int64_t ListenMs = 3000;

    enum class Verdict { Listening, Publishing, Refused };

    RingClaim(std::string stationId, std::uint64_t epoch) : id_(std::move(stationId)), epoch_(epoch) {}

    void Connected(std::int64_t nowMs);
    void Heard(const StateMessage& state, bool retained);
    Verdict At(std::int64_t nowMs);
    // The other station's id, once refused.
    const std::string& Other() const { return other_; }

private:
    std::string id_;
    std::uint64_t epoch_;
    std::int64_t connectedMs_ = 0;
    bool connected_ = false;
    bool publishing_ = false;
    bool published_ = false; // since this station started
    bool refused_ = false;
    std::string other_;
};

// The status line of a refused station: "Turnier: Ring 1 sendet schon eine andere Station".
std::string RingTakenText(const std::string& ring);

} // namespace caniparc
