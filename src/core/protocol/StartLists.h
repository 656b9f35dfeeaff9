// The lanes' start lists: the protocol's start numbers offered per lane, which starter each lane
// has chosen, and the "Falsche" warning that blocks the start when a chosen starter has already
// run or both lanes hold the same starter. Plain data and rules; the station applies them and the
// lane frames show them.
#pragma once

#include "protocol/ProtocolTable.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace caniparc {

struct LaneStartList {
    std::vector<std::string> items; // start numbers in row order
    int index = -1;                 // the chosen entry; -1: none (the box's text is empty)
    bool warning = false;           // "Falsche" is shown

    // The chosen start number, empty when none is chosen.
    const std::string& Text() const;
    // Chooses the entry with this text; none when the text is not in the list.
    void Choose(std::string_view text);
};

struct StartLists {
    std::array<LaneStartList, 2> lanes;

    LaneStartList& Lane(int lane) { return lanes.at(static_cast<std::size_t>(lane)); }
    const LaneStartList& Lane(int lane) const { return lanes.at(static_cast<std::size_t>(lane)); }
    // A lane shows its list instead of the spin edit while the list has entries; lane 2 takes
    // starters only in scheme C.
    bool Shown(int lane, int lsCfg) const;
};

// What the lanes hold besides their lists.
struct StartContext {
    int lsCfg = 1;
    int laufCount = 1;
    std::array<int, 2> spinValues = {1, 2}; // the spin edits, used where no list is shown
};

// The start number a lane's run is entered or disqualified under: the list's text in start-list
// mode, else the spin edit's value.
std::string LaneStartNumber(const StartLists& lists, int lane, const StartContext& context);

// The starter has run: a run-1 time is there, unless a two-run protocol still waits for run 2.
bool StarterHasRun(const ProtocolTable& table, int row, int laufCount);

// Sets both lanes' warnings: a listed starter who has already run, or (scheme C) one start
// number on both lanes, which could never be entered. Returns true when "Start" may be enabled:
// no warning shows and every lane in start-list mode stands on a starter.
bool UpdateWarnings(StartLists& lists, const ProtocolTable& table, const StartContext& context);

// After loading a protocol or a list, and at start-up: both lists hold the protocol's non-blank
// start numbers; lane 1 stands on the first starter without a run-1 time and lane 2 on the
// starter in the row after it. Returns lane 1's row, or -1 when every starter has a time.
int FillStartLists(StartLists& lists, const ProtocolTable& table);

// After a start number was edited or a row removed: the lists follow the protocol and each lane
// keeps its starter where it is still listed, else the entry at its old position (or the last).
void RebuildStartLists(StartLists& lists, const ProtocolTable& table);

// "Nächster"/"Abbruch": lane 1 takes the first starter without a run-1 time, lane 2 the row
// after lane 1's (row 1 when lane 1 found none). `lane1Row` carries lane 1's row to lane 2's call.
// Returns the row to select, or -1.
int ChooseNextFromList(StartLists& lists, const ProtocolTable& table, int lane, int& lane1Row);

// A lane left on no starter (its starter's row was removed during a run that was then aborted)
// takes one: lane 1 the first starter without a run-1 time that lane 2 does not hold (scheme C),
// lane 2 the starter in the row after lane 1's. Returns the row, or -1 when there is none.
int ProposeStarter(StartLists& lists, const ProtocolTable& table, int lane, int lsCfg);

// A double click on a protocol row: lane 1 takes the row's starter (kept when not listed); in
// scheme C lane 2 takes the next row's starter, or the row's own when it is the last.
void TakeStartersFromRow(StartLists& lists, const ProtocolTable& table, int lsCfg, int row);

// The second monitor's start label of a lane: " Start-Nr.:" followed by the number.
std::string MonitorStartLabel(std::string_view number);

} // namespace caniparc
