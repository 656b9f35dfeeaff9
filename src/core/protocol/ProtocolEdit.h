// The operator's changes to protocol rows: disqualifying a row, bonus marks, deleting a row's
// results, adding and removing rows. Recomputing the places and writing the backup are the
// caller's business.
#pragma once

#include "protocol/ProtocolTable.h"

#include <string_view>

namespace caniparc {

// "DIS" in the run-1 time, "-" for every value it cancels, no bonus. The next place
// computation turns the place "-" into "DIS". Run 2's cells keep their texts.
void DisqualifyRowCells(ProtocolTable& table, int row);

// The row of a lane's start number, made when there is none: the single empty row of a new
// protocol is taken, else a row is appended; the start number is written into it.
int FindOrMakeStarterRow(ProtocolTable& table, const std::string& startNumber);

// Ctrl+B: "+" becomes empty, anything else "+".
void ToggleBonus(ProtocolTable& table, int row);
void SetBonus(ProtocolTable& table, int row, bool on);

// "Ergebnisse löschen": empties the result cells (run 1 to the sort key).
void DeleteResults(ProtocolTable& table, int row);

// "Neue Zeile": a row whose start number is the index of the first row without a run-1 time
// (the row count when every row has one), or the next number above it that no row has; an
// entirely empty last row is used instead of appending. Returns the row.
int AddStarterRow(ProtocolTable& table);

// "Zeile entfernen": removes the row; the only data row is emptied instead. Returns the row to
// select afterwards.
int RemoveStarterRow(ProtocolTable& table, int row);

// Run 2 disqualified by a refusal count typed into its cell: "DIS" in its time, "-" for its values.
void DisqualifySecondRunCells(ProtocolTable& table, int row);

// Which cells the operator may type into: the start number, the names, club, category and
// bonus always; with `EditRes` also the times, faults and refusals of both runs.
bool CellEditable(int col, bool editRes);

// What a cell accepts, typed or pasted: the start number and the result columns 5 to 14 take
// digits, "+", "-", the comma and the decimal separator; the other cells any text.
bool CellTextAccepted(int col, std::string_view text, char separator);

} // namespace caniparc
