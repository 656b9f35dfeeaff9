// Places, best time and "Neu berechnen" (see Ranking.h).
#include "protocol/Ranking.h"

#include "common/NumberText.h"
#include "protocol/ResultText.h"
#include "protocol/Scoring.h"
#include "settings/Settings.h"

#include <array>
#include <limits>

namespace caniparc {
namespace {

// Sorting by the time and then, stably, by the total with the run key gives the order total, run
// key, time, previous order; one stable pass over all three keys gives the same order at half
// the cost. The grid is left as after the second pass.
std::vector<int> SortByMerit(ProtocolTable& table, const Settings& settings, SortState& sort) {
    sort.canSort = true;
    sort.descending = false;
    sort.sortColumn = ColTotal1;
    sort.secondaryColumns = {ColSortKey};
    const int keys[] = {ColSortKey, ColTime1};
    return SortRows(table, ColTotal1, keys, false, settings.DecimalSeparator);
}

int StartNumberValue(std::string_view text) {
    const auto number = ParseInteger(text);
    if (!number || *number < std::numeric_limits<int>::min() || *number > std::numeric_limits<int>::max())
        return 0;
    return static_cast<int>(*number);
}

// The group is identified by its first row and carries that row's place; the two coincide only
// while every row with a result precedes every row without one.
struct PlaceGroup {
    int firstRow = 0;
    int place = 0;
};

// A place "-" (set by a disqualification) becomes "DIS"; otherwise the first row in order with a
// time above zero holds the best time.
void MarkDisOrBestTime(ProtocolTable& table, const Settings& settings, int row, Ranking& ranking, bool& found) {
    if (table.Cell(ColPlace, row) == TextNone) {
        table.SetCell(ColPlace, row, std::string(TextDis));
        return;
    }
    if (found)
        return;
    if (const auto ms = SecondsTextToMs(table.Cell(ColTime1, row), settings.DecimalSeparator); ms > 0) {
        ranking.bestTime = ms;
        ranking.bestStartNr = StartNumberValue(table.Cell(ColStartNr, row));
        found = true;
    }
}

void WritePlaces(ProtocolTable& table, const Settings& settings, Ranking& ranking) {
    ranking = {};
    bool bestFound = false;
    int count = 0;
    PlaceGroup group;
    for (int row = 1; row < table.RowCount(); ++row) {
        MarkDisOrBestTime(table, settings, row, ranking, bestFound);
        const std::string& time = table.Cell(ColTime1, row);
        // Disqualified in run 2 of a two-run class: run 1 keeps its result, the starter no place.
        if (settings.LaufCount > 1 && table.Cell(ColTime2, row) == TextDis && !IsNoResult(time)) {
            table.SetCell(ColPlace, row, std::string(TextDis));
            continue;
        }
        if (IsNoResult(time)) {
            // A place left from an earlier result would rank a row that has none.
            const bool disqualified = !TrimBlanks(time).empty() && table.Cell(ColPlace, row) == TextDis;
            if (!disqualified)
                table.SetCell(ColPlace, row, {});
            continue;
        }
        ++count;
        const bool shared = group.firstRow > 0 && table.Cell(ColTime1, group.firstRow) == time &&
                            table.Cell(ColTotal1, group.firstRow) == table.Cell(ColTotal1, row);
        if (!shared)
            group = {row, count};
        table.SetCell(ColPlace, row, std::to_string(group.place));
        ranking.lastPlacedRow = row;
    }
}

} // namespace

bool RecalcPlaces(ProtocolTable& table, const Settings& settings, SortState& sort, Ranking& ranking,
                  std::vector<int>* newIndexOf) {
    if (!settings.AutoRang)
        return false;
    std::vector<int> moved = SortByMerit(table, settings, sort);
    WritePlaces(table, settings, ranking);
    if (newIndexOf)
        *newIndexOf = std::move(moved);
    return true;
}

int FirstRowWithoutTime(const ProtocolTable& table) {
    for (int row = 1; row < table.RowCount(); ++row)
        if (TrimBlanks(table.Cell(ColTime1, row)).empty())
            return row;
    return -1;
}

int RecalcProtocol(ProtocolTable& table, const Settings& settings, SortState& sort, Ranking& ranking) {
    RecalcRow(table, settings, 0);
    RecalcPlaces(table, settings, sort, ranking);
    return FirstRowWithoutTime(table);
}

} // namespace caniparc
