// Ordering the protocol rows: the comparison style of each column, a stable sort by one column
// and secondary columns, and the grid's sort state with the rule for column-title clicks.
#pragma once

#include "protocol/ProtocolTable.h"

#include <span>
#include <vector>

namespace caniparc {

enum class SortStyle {
    Bytes,      // upper-cased texts byte by byte
    Numeric,    // as numbers; texts that do not convert follow the numbers, byte by byte
    ResultText, // CompareResultText of the upper-cased texts
};

SortStyle SortStyleFor(int column);

// The sort state of the protocol grid. Sorting stays off until the first place computation.
struct SortState {
    bool canSort = false;
    int sortColumn = -1; // none yet
    bool descending = false;
    std::vector<int> secondaryColumns;
};

// Orders the data rows by `column`, then by each secondary column, each key in its column's
// style and in the one direction; rows equal on every key keep their order. The header row
// never moves. Numbers are read with `separator` (or a comma). Returns, for every old row index,
// its new index.
std::vector<int> SortRows(ProtocolTable& table, int column, std::span<const int> secondaryColumns, bool descending,
                          char separator = ',');

// A click on a column title: sorts by it (with the secondary columns last set) while sorting is
// on. The direction becomes descending when the column already is the ascending sort column,
// else ascending. Returns false when nothing was sorted.
bool ClickColumnTitle(ProtocolTable& table, SortState& state, int column, char separator = ',');

} // namespace caniparc
