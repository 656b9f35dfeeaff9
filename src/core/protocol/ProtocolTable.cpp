// The protocol table (see ProtocolTable.h).
#include "protocol/ProtocolTable.h"

#include "common/NumberText.h"

#include <algorithm>

namespace caniparc {
namespace {
const std::string kEmpty;
}

ProtocolTable::ProtocolTable() : rows_(2) {
    FollowRowCount();
}

void ProtocolTable::FollowRowCount() {
    if (ids_.size() > rows_.size())
        ids_.resize(rows_.size());
    while (ids_.size() < rows_.size())
        ids_.push_back(NewId());
}

void ProtocolTable::ReorderIds(const std::vector<int>& order) {
    if (order.size() != ids_.size())
        return;
    std::vector<RowId> ids(ids_.size());
    for (std::size_t position = 0; position < order.size(); ++position)
        ids[position] = ids_.at(static_cast<std::size_t>(order[position]));
    ids_ = std::move(ids);
}

void ProtocolTable::ReplaceRows(std::vector<Row> rows) {
    rows_ = std::move(rows);
    ids_.clear();
    FollowRowCount();
    NotifyRowsChanged();
}

void ProtocolTable::RestoreSnapshot(Snapshot snapshot) {
    rows_ = std::move(snapshot.rows);
    ids_ = std::move(snapshot.ids);
    FollowRowCount();
    NotifyRowsChanged();
}

RowId ProtocolTable::IdOf(int row) const {
    if (row < 1 || row >= RowCount() || static_cast<std::size_t>(row) >= ids_.size())
        return 0;
    return ids_[static_cast<std::size_t>(row)];
}

int ProtocolTable::FindRow(RowId id) const {
    if (id == 0)
        return -1;
    for (std::size_t row = 1; row < ids_.size() && row < rows_.size(); ++row)
        if (ids_[row] == id)
            return static_cast<int>(row);
    return -1;
}

const std::string& ProtocolTable::Cell(int col, int row) const {
    if (col < 0 || col >= ColCount || row < 0 || row >= RowCount())
        return kEmpty;
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void ProtocolTable::SetCell(int col, int row, std::string text) {
    if (col < 0 || col >= ColCount || row < 0 || row >= RowCount())
        return;
    auto& cell = rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
    if (cell == text)
        return;
    cell = std::move(text);
    if (listener_)
        listener_->CellChanged(col, row);
}

void ProtocolTable::SetRowCount(int count) {
    rows_.resize(static_cast<std::size_t>(std::max(count, 1)));
    FollowRowCount();
    NotifyRowsChanged();
}

int ProtocolTable::AppendRow() {
    rows_.emplace_back();
    ids_.push_back(NewId());
    NotifyRowsChanged();
    return RowCount() - 1;
}

void ProtocolTable::InsertRow(int at) {
    at = std::clamp(at, 1, RowCount());
    rows_.insert(rows_.begin() + at, Row{});
    ids_.insert(ids_.begin() + at, NewId());
    NotifyRowsChanged();
}

void ProtocolTable::RemoveRow(int row) {
    if (row < 1 || row >= RowCount())
        return;
    rows_.erase(rows_.begin() + row);
    ids_.erase(ids_.begin() + row);
    NotifyRowsChanged();
}

void ProtocolTable::ClearRow(int row) {
    for (int col = 0; col < ColCount; ++col)
        SetCell(col, row, {});
}

int ProtocolTable::FindStartRow(std::string_view startNumber) const {
    for (int row = 1; row < RowCount(); ++row)
        if (Cell(ColStartNr, row) == startNumber)
            return row;
    return -1;
}

RowKind KindOfRow(const ProtocolTable& table, int row) {
    const auto filled = [&](int col) { return !TrimBlanks(table.Cell(col, row)).empty(); };
    if (table.Cell(ColTime1, row) == TextDis)
        return RowKind::Disqualified;
    if (filled(ColTime1))
        return filled(ColTime2) ? RowKind::TwoRuns : RowKind::OneRun;
    for (int col = 0; col < ColCount; ++col)
        if (!table.Cell(col, row).empty())
            return RowKind::Registered;
    return RowKind::Empty;
}

void WriteColumnTitles(ProtocolTable& table) {
    for (int col = 0; col < ColCount; ++col)
        table.SetCell(col, 0, std::string(ColumnTitles[static_cast<std::size_t>(col)]));
}

void ProtocolTable::NotifyRowsChanged() {
    FollowRowCount();
    if (listener_)
        listener_->RowsChanged();
}

} // namespace caniparc
