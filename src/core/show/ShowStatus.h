// What the station and the publisher say about the show: the status line, and whether a change
// is an entry or a correction.
#pragma once

#include "show/ShowMessage.h"

#include <cstddef>
#include <string>
#include <vector>

namespace caniparc {

struct ShowStatusLine {
    std::string text;
    bool alarm = false; // shown in red
};

// "Turnier: verbunden", or "Turnier: getrennt seit 14:03 - 12 Einträge ausstehend" (the count
// left out while nothing waits), followed by why, when the broker said why ("Benutzer oder
// Passwort abgelehnt").
ShowStatusLine ShowStatusText(bool connected, int sinceHour, int sinceMinute, std::size_t pending,
                              const std::string& reason = {});

// An entry when a starter without a time got one; any other change is a correction.
ShowEventKind KindOfChange(const std::vector<ShowRow>& before, const ProtocolChange& change);

} // namespace caniparc
