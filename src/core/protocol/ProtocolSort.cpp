// Sorting the protocol rows (see ProtocolSort.h).
#include "protocol/ProtocolSort.h"

#include "common/NumberText.h"
#include "protocol/ResultText.h"

#include <algorithm>
#include <numeric>
#include <string>

namespace caniparc {
namespace {

// A cell prepared once for the many comparisons of a sort.
struct SortKey {
    std::size_t rank = 0; // numeric style: 0 number, 1 text; result style: the class of the text
    double number = 0.0;
    std::string text; // upper-cased, as the grid compares case-insensitively
};

SortKey MakeKey(SortStyle style, std::string_view cell, char separator) {
    SortKey key{0, 0.0, style == SortStyle::Bytes ? CodePageSortKey(cell) : UpperCaseText(cell)};
    if (style == SortStyle::Numeric) {
        const auto number = ParseDecimal(key.text, separator);
        key.rank = number ? 0 : 1;
        key.number = number.value_or(0.0);
    } else if (style == SortStyle::ResultText) {
        key.rank = ResultTextClass(key.text);
    }
    return key;
}

// Every style compares the rank first and then the number or the bytes of the text, the same
// order as CompareResultText for result texts. A total order in every style: mixing numbers and texts byte-wise would
// not be transitive
// ("2" < "10" < "1x" < "2"), so texts that are not numbers follow all numbers.
int CompareKeys(SortStyle style, const SortKey& a, const SortKey& b) {
    if (a.rank != b.rank)
        return a.rank < b.rank ? -1 : 1;
    if (style == SortStyle::Numeric && a.rank == 0)
        return (a.number > b.number) - (a.number < b.number);
    const int bytes = a.text.compare(b.text);
    return (bytes > 0) - (bytes < 0);
}

// The keys of every sort column for every row, row by row, so that comparing two rows reads two
// short stretches of memory even in a large class.
struct KeyTable {
    std::vector<SortStyle> styles;
    std::vector<SortKey> keys; // row * styles.size() + key column

    const SortKey* Row(int row) const { return keys.data() + static_cast<std::size_t>(row) * styles.size(); }
};

KeyTable MakeKeyTable(const ProtocolTable& table, const std::vector<int>& columns, char separator) {
    KeyTable result;
    for (const int column : columns)
        result.styles.push_back(SortStyleFor(column));
    result.keys.reserve(static_cast<std::size_t>(table.RowCount()) * columns.size());
    for (int row = 0; row < table.RowCount(); ++row)
        for (std::size_t i = 0; i < columns.size(); ++i)
            result.keys.push_back(MakeKey(result.styles[i], table.Cell(columns[i], row), separator));
    return result;
}

// Moves the rows into `order` in place, one cycle of the permutation at a time, so that a large
// class is not copied into a second table.
std::vector<int> ApplyOrder(ProtocolTable& table, const std::vector<int>& order) {
    auto& rows = table.MutableRows();
    std::vector<int> newIndexOf(rows.size());
    for (std::size_t position = 0; position < order.size(); ++position)
        newIndexOf[static_cast<std::size_t>(order[position])] = static_cast<int>(position);
    std::vector<bool> placed(rows.size(), false);
    for (std::size_t start = 0; start < rows.size(); ++start) {
        if (placed[start] || static_cast<std::size_t>(order[start]) == start)
            continue;
        ProtocolTable::Row held = std::move(rows[start]);
        std::size_t target = start;
        for (auto source = static_cast<std::size_t>(order[target]); source != start;
             source = static_cast<std::size_t>(order[target])) {
            rows[target] = std::move(rows[source]);
            placed[target] = true;
            target = source;
        }
        rows[target] = std::move(held);
        placed[target] = true;
    }
    table.ReorderIds(order);
    table.NotifyRowsChanged();
    return newIndexOf;
}

} // namespace

SortStyle SortStyleFor(int column) {
    if (column == ColStartNr || column == ColSortKey)
        return SortStyle::Numeric;
    if ((column >= ColTime1 && column <= ColTotal2) || column == ColGrade)
        return SortStyle::ResultText;
    return SortStyle::Bytes;
}

std::vector<int> SortRows(ProtocolTable& table, int column, std::span<const int> secondaryColumns, bool descending,
                          char separator) {
    if (table.RowCount() < 3) { // nothing to order
        std::vector<int> same(static_cast<std::size_t>(table.RowCount()));
        std::iota(same.begin(), same.end(), 0);
        return same;
    }
    std::vector<int> columns{column};
    columns.insert(columns.end(), secondaryColumns.begin(), secondaryColumns.end());
    const KeyTable keys = MakeKeyTable(table, columns, separator);

    std::vector<int> order(static_cast<std::size_t>(table.RowCount()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin() + 1, order.end(), [&](int a, int b) {
        const SortKey* keyA = keys.Row(a);
        const SortKey* keyB = keys.Row(b);
        for (std::size_t i = 0; i < keys.styles.size(); ++i) {
            const int result = CompareKeys(keys.styles[i], keyA[i], keyB[i]);
            if (result != 0)
                return descending ? result > 0 : result < 0;
        }
        return false;
    });
    return ApplyOrder(table, order);
}

bool ClickColumnTitle(ProtocolTable& table, SortState& state, int column, char separator) {
    if (!state.canSort || column < 0 || column >= ColCount)
        return false;
    state.descending = column == state.sortColumn && !state.descending;
    state.sortColumn = column;
    SortRows(table, column, state.secondaryColumns, state.descending, separator);
    return true;
}

} // namespace caniparc
