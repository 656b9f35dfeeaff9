// Entering a finished run into the protocol: find or create each lane's row, choose the run,
// write the scored run, recompute the places. The run clock's buttons and the backup write are
// its caller's business.
#pragma once

#include "protocol/ProtocolSort.h"
#include "protocol/ProtocolTable.h"
#include "protocol/Ranking.h"

#include <array>
#include <string>

namespace caniparc {

struct Settings;

// One lane's inputs at the moment of the entry, as the controls hold them.
struct LaneInputs {
    bool entered = false;        // the lane's taken time is >= 0
    bool startListShown = false; // the start-list combo box is shown instead of the spin edit
    std::string startNumber;     // the combo box's text, or the spin edit's text
    std::string faults;          // course-fault field
    std::string refusals;        // refusal field
    std::string timeFaults;      // time-fault field
    std::string time;            // the run-time text, or the contact-list text
    int row = -1;                // the starter's row taken at the start; -1: found or made by number
};

struct EntryOutcome {
    bool ok = false;
    std::string error;                  // German text for the operator when refused
    std::array<int, 2> rows = {-1, -1}; // each lane's row after the places were computed; -1: not entered
    int selectRow = -1;                 // row to select and scroll to (lane 1's starter), or -1
    bool placesComputed = false;        // the ranking (best time) changed
};

// Enters the run of lane 1 and, in scheme C, lane 2, each into its starter's row. The row's
// time faults, totals, key, grade and speed are then those its recomputation gives (one
// computation for both), so a later "Neu berechnen" changes nothing. Every entered lane's fields are checked
// first: a start number that is blank, or a fault, refusal or time-fault text that does not
// convert, or one start number on both lanes, refuses the whole entry with a message, and the
// protocol is left untouched (the run keeps waiting for its entry). Lane 2 takes part only in
// scheme C; its row's key and grade rest on its own run.
EntryOutcome EnterRunIntoProtocol(ProtocolTable& table, const Settings& settings, SortState& sort, Ranking& ranking,
                                  const std::array<LaneInputs, 2>& lanes);

// The grid's top row after the entry scrolled to `row`: `row` minus half the visible rows, but 1
// when that is below 1 or when all rows fit into the grid's height.
int ScrollTopRow(int row, int visibleRows, int rowCount, int gridHeight, int defaultRowHeight = 19);

} // namespace caniparc
