// What the live results show: a plain copy of the titles, the lanes, the best time and the
// protocol as the station holds them at one moment, and its JSON text for the phones.
#pragma once

#include "protocol/ProtocolTable.h"
#include "protocol/Ranking.h"
#include "settings/Settings.h"
#include "timing/RunModel.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace caniparc {

enum class LiveLaneState { Ready, Running, Finishing, Stopped };

struct LiveLane {
    bool inUse = false;
    std::string startNumber;
    std::string dog;
    std::string handler;
    std::string time; // as the lane's digits show it, "12,34" (or "12,3" in tenths)
    LiveLaneState state = LiveLaneState::Ready;
    bool disqualified = false;
};

struct LiveState {
    std::string title, place, judge, category;
    std::array<LiveLane, 2> lanes;
    std::string bestTime; // empty while no run has a time
    std::string bestStartNumber;
    std::vector<std::string> columns;           // titles of the shown protocol columns
    std::vector<std::vector<std::string>> rows; // the protocol's rows in their current order
    std::uint64_t version = 0;                  // grows with every change, so a poll can tell nothing is new
    std::string stand; // how old the data is, where it is relayed (empty on the station itself)
};

// The station's parts the live results read; only references, nothing is copied until
// MakeLiveState.
struct LiveSources {
    const Settings& settings;
    const ProtocolTable& protocol;
    const RunModel& run;
    const Ranking& ranking;
    std::array<bool, 2> laneInUse{};
    std::array<std::string, 2> laneStartNumbers; // the numbers the lanes' runs are entered under
};

// The columns shown on phones: those the grid shows (the second run only with two runs, the
// bonus only while it is on), never the hidden sort key.
std::vector<int> LiveColumns(const Settings& settings);

LiveState MakeLiveState(const LiveSources& sources);

// The lane digits as a time text: seconds without leading zeros, a comma, the tenths and, with
// hundredths, the hundredths.
std::string LaneDigitsText(const LaneDigits& digits, int timeFormatIndex);

// One object; every text JSON-escaped.
std::string LiveStateJson(const LiveState& state);

// Only the lanes' part, for the frequent updates while a clock runs.
std::string LiveLanesJson(const LiveState& state);

const char* LaneStateText(LiveLaneState state);

} // namespace caniparc
