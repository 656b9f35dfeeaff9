// What a station publishes of its ring, taken from its parts at one moment; and on the board,
// the settings a snapshot carries put back into a settings model for the exports.
#pragma once

#include "live/LiveState.h"
#include "settings/Settings.h"
#include "show/ShowMessage.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace caniparc {

using ShowSettings = std::vector<std::pair<std::string, std::string>>;

struct ShowSource {
    ShowTitles titles;
    ShowSettings settings;
    std::vector<ShowRow> rows; // the protocol's data rows
    std::array<ShowLane, 2> lanes;
};

ShowSource MakeShowSource(const Settings& settings, const ProtocolTable& protocol, const LiveState& live);

// The settings a reader needs to show the protocol (titles, runs, bonus, course times,
// distance, speed, time format), by their stored names.
ShowSettings ShowSettingsOf(const Settings& settings);
// Takes the known names with values in their ranges; anything else leaves the field as it was.
void ApplyShowSettings(Settings& settings, const ShowSettings& values);

} // namespace caniparc
