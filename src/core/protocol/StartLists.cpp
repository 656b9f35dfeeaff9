// The lanes' start lists (see StartLists.h).
#include "protocol/StartLists.h"

#include "common/NumberText.h"

#include <algorithm>

namespace caniparc {

namespace {

const std::string kNoText;

std::vector<std::string> ListedStartNumbers(const ProtocolTable& table) {
    std::vector<std::string> numbers;
    for (int row = 1; row < table.RowCount(); ++row)
        if (!TrimBlanks(table.Cell(ColStartNr, row)).empty())
            numbers.push_back(table.Cell(ColStartNr, row));
    return numbers;
}

bool TimeBlank(const ProtocolTable& table, int row) {
    return TrimBlanks(table.Cell(ColTime1, row)).empty();
}

int FirstRowWithoutRunOneTime(const ProtocolTable& table) {
    for (int row = 1; row < table.RowCount(); ++row)
        if (TimeBlank(table, row))
            return row;
    return -1;
}

void KeepStarter(LaneStartList& list, std::vector<std::string> items) {
    const std::string text = list.Text();
    const int oldIndex = list.index;
    list.items = std::move(items);
    list.Choose(text);
    if (list.index < 0 && oldIndex >= 0 && !list.items.empty())
        list.index = std::min(oldIndex, static_cast<int>(list.items.size()) - 1);
}

} // namespace

const std::string& LaneStartList::Text() const {
    if (index < 0 || index >= static_cast<int>(items.size()))
        return kNoText;
    return items[static_cast<std::size_t>(index)];
}

void LaneStartList::Choose(std::string_view text) {
    const auto it = std::find(items.begin(), items.end(), text);
    index = it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

bool StartLists::Shown(int lane, int lsCfg) const {
    return !Lane(lane).items.empty() && (lane == 0 || lsCfg == 2);
}

std::string LaneStartNumber(const StartLists& lists, int lane, const StartContext& context) {
    if (lists.Shown(lane, context.lsCfg))
        return lists.Lane(lane).Text();
    return std::to_string(context.spinValues.at(static_cast<std::size_t>(lane)));
}

bool StarterHasRun(const ProtocolTable& table, int row, int laufCount) {
    if (TimeBlank(table, row))
        return false;
    return laufCount < 2 || !TrimBlanks(table.Cell(ColTime2, row)).empty();
}

bool UpdateWarnings(StartLists& lists, const ProtocolTable& table, const StartContext& context) {
    const bool twoLanes = context.lsCfg == 2;
    const std::array<std::string, 2> numbers = {LaneStartNumber(lists, 0, context), LaneStartNumber(lists, 1, context)};
    const bool same = twoLanes && !numbers[0].empty() && numbers[0] == numbers[1];
    bool startAllowed = true;
    for (int lane = 0; lane < 2; ++lane) {
        LaneStartList& list = lists.Lane(lane);
        bool warning = false;
        if (lane == 0 || twoLanes) {
            warning = same;
            if (lists.Shown(lane, context.lsCfg)) {
                const int row = table.FindStartRow(numbers[static_cast<std::size_t>(lane)]);
                warning = warning || (row > 0 && StarterHasRun(table, row, context.laufCount));
            }
        }
        list.warning = warning;
        // A lane whose list stands on no starter has no number to enter the run under.
        const bool noStarter = lists.Shown(lane, context.lsCfg) && list.Text().empty();
        startAllowed = startAllowed && !warning && !noStarter;
    }
    return startAllowed;
}

int FillStartLists(StartLists& lists, const ProtocolTable& table) {
    const std::vector<std::string> numbers = ListedStartNumbers(table);
    for (LaneStartList& list : lists.lanes) {
        list.items = numbers;
        list.index = -1;
    }
    const int row = FirstRowWithoutRunOneTime(table);
    if (numbers.empty())
        return row;
    lists.Lane(0).Choose(row > 0 ? table.Cell(ColStartNr, row) : std::string_view{});
    const int next = row > 0 ? row + 1 : 1;
    lists.Lane(1).Choose(next < table.RowCount() ? table.Cell(ColStartNr, next) : std::string_view{});
    return row;
}

void RebuildStartLists(StartLists& lists, const ProtocolTable& table) {
    const std::vector<std::string> numbers = ListedStartNumbers(table);
    for (LaneStartList& list : lists.lanes)
        KeepStarter(list, numbers);
}

int ChooseNextFromList(StartLists& lists, const ProtocolTable& table, int lane, int& lane1Row) {
    if (lane == 0) {
        lane1Row = FirstRowWithoutRunOneTime(table);
        lists.Lane(0).Choose(lane1Row > 0 ? table.Cell(ColStartNr, lane1Row) : std::string_view{});
        return lane1Row;
    }
    const int row = lane1Row > 0 ? lane1Row + 1 : 1;
    if (row >= table.RowCount()) {
        lists.Lane(1).index = -1;
        return -1;
    }
    lists.Lane(1).Choose(table.Cell(ColStartNr, row));
    return row;
}

int ProposeStarter(StartLists& lists, const ProtocolTable& table, int lane, int lsCfg) {
    int row = -1;
    if (lane == 0) {
        const std::string& other = lsCfg == 2 ? lists.Lane(1).Text() : kNoText;
        for (int r = 1; r < table.RowCount() && row < 0; ++r)
            if (TimeBlank(table, r) && !TrimBlanks(table.Cell(ColStartNr, r)).empty() &&
                table.Cell(ColStartNr, r) != other)
                row = r;
    } else {
        const int first = table.FindStartRow(lists.Lane(0).Text());
        row = first > 0 && first + 1 < table.RowCount() ? first + 1 : -1;
    }
    if (row > 0)
        lists.Lane(lane).Choose(table.Cell(ColStartNr, row));
    return row;
}

void TakeStartersFromRow(StartLists& lists, const ProtocolTable& table, int lsCfg, int row) {
    if (row < 1 || row >= table.RowCount())
        return;
    LaneStartList& first = lists.Lane(0);
    const auto it = std::find(first.items.begin(), first.items.end(), table.Cell(ColStartNr, row));
    if (it != first.items.end())
        first.index = static_cast<int>(it - first.items.begin());
    if (lsCfg == 2) {
        const int next = row + 1 < table.RowCount() ? row + 1 : row;
        lists.Lane(1).Choose(table.Cell(ColStartNr, next));
    }
}

std::string MonitorStartLabel(std::string_view number) {
    return " Start-Nr.:" + std::string(number);
}

} // namespace caniparc
