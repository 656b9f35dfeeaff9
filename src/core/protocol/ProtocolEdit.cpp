// The operator's changes to protocol rows (see ProtocolEdit.h).
#include "protocol/ProtocolEdit.h"

#include "common/NumberText.h"

#include <algorithm>

namespace caniparc {

namespace {

bool RowEmpty(const ProtocolTable& table, int row) {
    const auto& cells = table.RowAt(row);
    return std::all_of(cells.begin(), cells.end(), [](const std::string& c) { return c.empty(); });
}

bool ValidRow(const ProtocolTable& table, int row) {
    return row >= 1 && row < table.RowCount();
}

} // namespace

void DisqualifyRowCells(ProtocolTable& table, int row) {
    if (!ValidRow(table, row))
        return;
    table.SetCell(ColTime1, row, std::string(TextDis));
    for (int col : {ColFaults1, ColRefusals1, ColTimeFaults1, ColTotal1, ColGrade, ColSpeed, ColPlace})
        table.SetCell(col, row, std::string(TextNone));
    table.SetCell(ColBonus, row, {});
}

int FindOrMakeStarterRow(ProtocolTable& table, const std::string& startNumber) {
    const int found = table.FindStartRow(startNumber);
    if (found > 0)
        return found;
    const bool onlyEmpty = table.RowCount() == 2 && TrimBlanks(table.Cell(ColStartNr, 1)).empty();
    const int row = onlyEmpty ? 1 : table.AppendRow();
    table.SetCell(ColStartNr, row, startNumber);
    return row;
}

void ToggleBonus(ProtocolTable& table, int row) {
    SetBonus(table, row, table.Cell(ColBonus, row) != "+");
}

void SetBonus(ProtocolTable& table, int row, bool on) {
    if (ValidRow(table, row))
        table.SetCell(ColBonus, row, on ? "+" : "");
}

void DeleteResults(ProtocolTable& table, int row) {
    if (!ValidRow(table, row))
        return;
    for (int col = ColTime1; col <= ColSortKey; ++col)
        table.SetCell(col, row, {});
}

int AddStarterRow(ProtocolTable& table) {
    int number = table.RowCount();
    for (int row = 1; row < table.RowCount(); ++row)
        if (TrimBlanks(table.Cell(ColTime1, row)).empty()) {
            number = row;
            break;
        }
    // Never a number another row already has: entries and disqualifications find the first.
    while (table.FindStartRow(std::to_string(number)) > 0)
        ++number;
    const int last = table.RowCount() - 1;
    const int row = last >= 1 && RowEmpty(table, last) ? last : table.AppendRow();
    table.SetCell(ColStartNr, row, std::to_string(number));
    return row;
}

int RemoveStarterRow(ProtocolTable& table, int row) {
    if (!ValidRow(table, row))
        return -1;
    if (table.RowCount() == 2) {
        table.ClearRow(1);
        return 1;
    }
    table.RemoveRow(row);
    return std::min(row, table.RowCount() - 1);
}

void DisqualifySecondRunCells(ProtocolTable& table, int row) {
    if (!ValidRow(table, row))
        return;
    table.SetCell(ColTime2, row, std::string(TextDis));
    for (int col : {ColFaults2, ColRefusals2, ColTimeFaults2, ColTotal2})
        table.SetCell(col, row, std::string(TextNone));
}

bool CellEditable(int col, bool editRes) {
    if ((col >= ColStartNr && col <= ColCategory) || col == ColBonus)
        return true;
    return editRes && (col == ColTime1 || col == ColFaults1 || col == ColRefusals1 || col == ColTime2 ||
                       col == ColFaults2 || col == ColRefusals2);
}

bool CellTextAccepted(int col, std::string_view text, char separator) {
    if (col != ColStartNr && (col < ColTime1 || col > ColTotal2))
        return true;
    return std::all_of(text.begin(), text.end(), [separator](char c) {
        return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == ',' || c == separator;
    });
}

} // namespace caniparc
