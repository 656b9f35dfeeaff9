// What the show board's pages show of a ring, taken from its state at one moment: the ring's
// connection for the results office, the course for the speaker, the class as a protocol table
// with its settings for the exports and the phones. Times are the board's wall clock,
// milliseconds since 1970, passed in.
#pragma once

#include "live/LiveState.h"
#include "protocol/ProtocolTable.h"
#include "settings/Settings.h"
#include "show/BoardRing.h"

#include <cstdint>
#include <string>
#include <vector>

namespace caniparc {

struct BoardClock {
    std::int64_t nowMs = 0;
    std::int64_t utcOffsetMs = 0; // of the board's local time, for the clock texts
};

// "14:03:12" in the board's local time.
std::string ClockText(std::int64_t ms, const BoardClock& clock);
// "vor 3 s", "vor 4 min", "vor 2 h 5 min"; "noch nichts" for 0 (nothing heard yet).
std::string AgeText(std::int64_t sinceMs, const BoardClock& clock);
// "Daten vom 14:03:12 (vor 3 s)" or "noch keine Daten".
std::string DataAgeText(std::int64_t changedMs, const BoardClock& clock);

// A station says its state every 2 s; one not heard for this long counts as offline.
inline constexpr std::int64_t RingSilentMs = 6000;

struct RingStatus {
    bool online = false;      // its last state said online, and it was heard lately
    std::uint64_t behind = 0; // events the station has numbered that the board does not hold yet
    std::size_t waiting = 0;  // events held until the gap before them closes
};
RingStatus MakeRingStatus(const BoardRing& ring, std::int64_t nowMs);

// The class as a station would hold it: the header row and the rows, and the settings the
// snapshot carries; what the exports and the phone page are made from.
struct RingClass {
    Settings settings;
    ProtocolTable table;
};
RingClass MakeRingClass(const BoardRing& ring);

struct SpeakerStarter {
    std::string startNumber, dog, handler;
    std::string time, result, place; // of the run entered last, for the results
};
struct SpeakerLane {
    int lane = 1;
    std::string startNumber, dog, handler, time, state;
    bool disqualified = false;
};
struct SpeakerRing {
    std::vector<SpeakerLane> onCourse; // only while the ring is online
    std::vector<SpeakerStarter> next;  // the next three without a time in the run due
    std::vector<SpeakerStarter> last;  // the runs entered lately, newest first
    bool finished = false;             // every starter has all runs, and no lane is busy
};
inline constexpr std::size_t SpeakerNextCount = 3;
inline constexpr std::size_t SpeakerLastCount = 5;
SpeakerRing MakeSpeakerRing(const BoardRing& ring, std::int64_t nowMs);

// The ring's live results for the phones; `stand` says how old they are.
LiveState MakeRingLiveState(const BoardRing& ring, const BoardClock& clock);

} // namespace caniparc
