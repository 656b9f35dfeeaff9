// Order of merit: places, the best time and its start number, and "Neu berechnen".
#pragma once

#include "protocol/ProtocolSort.h"
#include "protocol/ProtocolTable.h"

#include <cstdint>
#include <vector>

namespace caniparc {

struct Settings;

// What the last place computation found; lives as long as the protocol.
struct Ranking {
    std::int64_t bestTime = 0; // ms of the best-placed row with a numeric time, 0 when none
    int bestStartNr = 0;       // its start number, 0 when none or not an integer
    int lastPlacedRow = 0;     // the last data row that received a place (the grid's tag)
};

// Sorts the protocol in order of merit (run-1 total, run key, run-1 time, previous order) and
// writes the places: 1, 2, 2, 4; a shared place needs the same time and total text. A place "-"
// becomes "DIS". Does nothing and returns false while `AutoRang` is off; otherwise updates
// `sort` (sorting on, ascending, by the total with the run key as secondary column) and `ranking`.
// When `newIndexOf` is given, it receives each old row index's new index.
bool RecalcPlaces(ProtocolTable& table, const Settings& settings, SortState& sort, Ranking& ranking,
                  std::vector<int>* newIndexOf = nullptr);

// The first data row whose run-1 time is blank, or -1.
int FirstRowWithoutTime(const ProtocolTable& table);

// "Neu berechnen": recomputes every row and the places. Returns the row to select (the first
// row without a time), or -1 when the selection stays.
int RecalcProtocol(ProtocolTable& table, const Settings& settings, SortState& sort, Ranking& ranking);

} // namespace caniparc
