// The change between two states of a protocol as a station publishes it, and its application on
// the board: rows are found by their start numbers, never by their place in the table.
#pragma once

#include "show/ShowMessage.h"

#include <vector>

namespace caniparc {

// The data rows of a protocol (without the header row).
std::vector<ShowRow> DataRows(const ProtocolTable& table);

// What turns `before` into `after`: the changed and new rows, the removed start numbers and the
// new order when it differs. When start numbers repeat in either, the whole of `after`.
ProtocolChange DiffProtocol(const std::vector<ShowRow>& before, const std::vector<ShowRow>& after);

// Applies a change made by DiffProtocol to the rows it was made from; ApplyChange(before,
// DiffProtocol(before, after)) gives `after`.
void ApplyChange(std::vector<ShowRow>& rows, const ProtocolChange& change);

} // namespace caniparc
