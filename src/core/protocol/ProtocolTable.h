// The result protocol: a table of texts with 20 columns, header row 0 and starters from row 1.
// It is the only store of results; every command reads and writes cell texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace caniparc {

enum Column : int {
    ColStartNr = 0,
    ColDogName,
    ColHandler,
    ColClub,
    ColCategory,
    ColTime1,
    ColFaults1,
    ColRefusals1,
    ColTimeFaults1,
    ColTotal1,
    ColTime2,
    ColFaults2,
    ColRefusals2,
    ColTimeFaults2,
    ColTotal2,
    ColBonus,
    ColGrade,
    ColSpeed,
    ColPlace,
    ColSortKey,
};
inline constexpr int ColCount = 20;

// The column titles of the header row, in column order; the sort key's title is empty.
inline constexpr std::array<std::string_view, ColCount> ColumnTitles = {
    "Nr.",
    "Hundename",
    "Hundeführer/in",
    "Verband/Verein",
    "Kat.",
    "Zeit",
    "PF",
    "Vw",
    "ZF",
    "GF",
    "Zeit2",
    "PF",
    "Vw",
    "ZF",
    "GF",
    "B",
    "Ges/Note",
    "m/sec",
    "Rang",
    "",
};

// The placeholders of a disqualification: "DIS" marks it, "-" marks the values it cancels.
inline constexpr std::string_view TextDis = "DIS";
inline constexpr std::string_view TextNone = "-";

// Told about every change, so that a view can follow the table without a copy of it.
class ProtocolListener {
public:
    virtual ~ProtocolListener() = default;
    virtual void CellChanged(int col, int row) = 0;
    // Rows were added, removed or reordered, or the whole table was replaced.
    virtual void RowsChanged() = 0;
};

// A row's identity: it stays with the row through sorting, added and removed rows and typed
// cells, so a run can hold on to its starter's row. 0 is no row.
using RowId = std::uint64_t;

class ProtocolTable {
public:
    using Row = std::array<std::string, ColCount>;
    // The rows with their identities, for Ctrl+Z.
    struct Snapshot {
        std::vector<Row> rows;
        std::vector<RowId> ids;
        bool operator==(const Snapshot&) const = default;
    };

    // A new protocol: the header row (empty until the titles are written) and one empty row.
    ProtocolTable();

    int RowCount() const { return static_cast<int>(rows_.size()); }
    // Reading a cell that does not exist gives the empty text.
    const std::string& Cell(int col, int row) const;
    // Writing outside the table is ignored.
    void SetCell(int col, int row, std::string text);

    const Row& RowAt(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
    void SetRowCount(int count); // at least 1 (the header); new rows are empty
    int AppendRow();             // returns the new row's index
    void InsertRow(int at);
    void RemoveRow(int row);
    void ClearRow(int row);

    // Whole-table access for sorting in place; call NotifyRowsChanged afterwards. Rows moved
    // through it keep their identities only through ReorderIds.
    std::vector<Row>& MutableRows() { return rows_; }
    const std::vector<Row>& Rows() const { return rows_; }
    void NotifyRowsChanged();
    // The rows were put into `order` (new position -> old position): the identities follow.
    void ReorderIds(const std::vector<int>& order);
    // A loaded protocol: new rows, new identities.
    void ReplaceRows(std::vector<Row> rows);
    Snapshot TakeSnapshot() const { return {rows_, ids_}; }
    void RestoreSnapshot(Snapshot snapshot);

    RowId IdOf(int row) const;
    // The row with this identity, or -1 when it is no longer in the table.
    int FindRow(RowId id) const;

    // The first data row whose start number is exactly `startNumber` (whole text, case-sensitive),
    // or -1.
    int FindStartRow(std::string_view startNumber) const;

    void SetListener(ProtocolListener* listener) { listener_ = listener; }

private:
    RowId NewId() { return nextId_++; }
    void FollowRowCount(); // rows added or replaced from outside get identities of their own

    std::vector<Row> rows_;
    std::vector<RowId> ids_;
    RowId nextId_ = 1;
    ProtocolListener* listener_ = nullptr;
};

// What a data row holds.
enum class RowKind {
    Empty,        // every cell empty: only the single row of a new protocol
    Registered,   // a starter without a run
    OneRun,       // run 1 entered
    TwoRuns,      // run 1 and run 2 entered
    Disqualified, // "DIS" in the run-1 time
};
RowKind KindOfRow(const ProtocolTable& table, int row);

// Writes the constant column titles into the header row.
void WriteColumnTitles(ProtocolTable& table);

} // namespace caniparc
