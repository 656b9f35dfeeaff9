// Entering a run into the protocol (see RunEntry.h).
#include "protocol/RunEntry.h"

#include "common/NumberText.h"
#include "protocol/ResultText.h"
#include "protocol/Scoring.h"
#include "settings/Settings.h"

#include <algorithm>
#include <optional>

namespace caniparc {
namespace {

constexpr std::int64_t MaxCount = 999; // the range of the fault and refusal fields

// A lane's inputs once they have been checked.
struct CheckedLane {
    int lane = 0;
    int row = -1;
    std::string startNumber;
    RunFaults run;
};

std::string Refusal(int lane, const std::string& what) {
    return "Eintragen nicht möglich: Bahn " + std::to_string(lane + 1) + ", " + what;
}

std::string Quoted(std::string_view text) {
    return "„" + std::string(text) + "“";
}

std::optional<std::int64_t> CheckCount(std::string_view text) {
    const auto value = ParseInteger(text);
    if (!value || *value < 0 || *value > MaxCount)
        return std::nullopt;
    return value;
}

// In spin-edit mode the row is looked up by the spin edit's value, so "012" finds "12".
std::optional<std::string> StartNumberOf(const LaneInputs& in) {
    if (in.startListShown)
        return TrimBlanks(in.startNumber).empty() ? std::nullopt : std::optional<std::string>(in.startNumber);
    const auto value = ParseInteger(in.startNumber);
    if (!value)
        return std::nullopt;
    return std::to_string(*value);
}

// Every entered lane's fields convert, or the message says which does not.
std::string CheckLane(const LaneInputs& in, int lane, char separator, CheckedLane& out) {
    out.lane = lane;
    out.row = in.row;
    const auto startNumber = in.row > 0 ? std::optional<std::string>(in.startNumber) : StartNumberOf(in);
    if (!startNumber)
        return Refusal(lane, "Startnummer " + Quoted(in.startNumber) + " ist ungültig.");
    out.startNumber = *startNumber;
    const auto faults = CheckCount(in.faults);
    if (!faults)
        return Refusal(lane, "Parcours-Fehler " + Quoted(in.faults) + " ist keine ganze Zahl von 0 bis 999.");
    const auto refusals = CheckCount(in.refusals);
    if (!refusals)
        return Refusal(lane, "Verweigerungen " + Quoted(in.refusals) + " ist keine ganze Zahl von 0 bis 999.");
    const auto timeFaults = ParseDecimal(in.timeFaults, separator);
    if (!timeFaults || *timeFaults < 0.0)
        return Refusal(lane, "Z.-Fehler " + Quoted(in.timeFaults) + " ist keine gültige Zahl.");
    out.run = {*faults, *refusals, *timeFaults};
    return {};
}

int FindOrCreateRow(ProtocolTable& table, const std::string& startNumber) {
    int row = table.FindStartRow(startNumber);
    if (row > 0)
        return row;
    const bool onlyEmptyRow = table.RowCount() == 2 && std::all_of(table.RowAt(1).begin(), table.RowAt(1).end(),
                                                                   [](const std::string& c) { return c.empty(); });
    row = onlyEmptyRow ? 1 : table.AppendRow();
    table.SetCell(ColStartNr, row, startNumber);
    return row;
}

// Writes the run's inputs; the row's computed cells follow from its recomputation.
void WriteRun(ProtocolTable& table, const Settings& settings, int row, int timeCol, const CheckedLane& lane,
              const LaneInputs& in) {
    const double total = RunTotal(lane.run, settings.Multi);
    table.SetCell(timeCol + 1, row, std::to_string(lane.run.faults));
    table.SetCell(timeCol + 2, row, std::to_string(lane.run.refusals));
    table.SetCell(timeCol + 3, row, in.timeFaults);
    table.SetCell(timeCol + 4, row, FormatResult(total, settings));
    table.SetCell(timeCol, row, in.time);
    // A time that is no number (a contact list's text) still gets the grade of its total.
    if (SecondsTextToMs(in.time, settings.DecimalSeparator) <= 0)
        table.SetCell(ColGrade, row, GradeFor(total, settings));
    RecalcRow(table, settings, row);
}

int EnterLane(ProtocolTable& table, const Settings& settings, const CheckedLane& lane, const LaneInputs& in) {
    const int row = lane.row > 0 && lane.row < table.RowCount() ? lane.row : FindOrCreateRow(table, lane.startNumber);
    const bool secondRun = settings.LaufCount > 1 && !TrimBlanks(table.Cell(ColTime1, row)).empty();
    WriteRun(table, settings, row, secondRun ? ColTime2 : ColTime1, lane, in);
    return row;
}

// Checks every lane that takes part before anything is written; returns the refusal, or an
// empty text when all lanes may be entered.
std::string CheckLanes(const std::array<LaneInputs, 2>& lanes, const Settings& settings,
                       std::vector<CheckedLane>& checked) {
    for (int lane = 0; lane < 2; ++lane) {
        const LaneInputs& in = lanes[static_cast<std::size_t>(lane)];
        if (!in.entered || (lane == 1 && settings.LsCFG != 2))
            continue;
        CheckedLane ok;
        if (std::string error = CheckLane(in, lane, settings.DecimalSeparator, ok); !error.empty())
            return error;
        checked.push_back(std::move(ok));
    }
    // One starter cannot run both lanes at once; the second entry would overwrite the first.
    const bool sameRow = checked.size() == 2 && checked[0].row > 0 && checked[0].row == checked[1].row;
    if (sameRow || (checked.size() == 2 && checked[0].startNumber == checked[1].startNumber))
        return "Eintragen nicht möglich: beide Bahnen haben die Startnummer " + Quoted(checked[0].startNumber) + ".";
    return {};
}

} // namespace

EntryOutcome EnterRunIntoProtocol(ProtocolTable& table, const Settings& settings, SortState& sort, Ranking& ranking,
                                  const std::array<LaneInputs, 2>& lanes) {
    EntryOutcome outcome;
    std::vector<CheckedLane> checked;
    outcome.error = CheckLanes(lanes, settings, checked);
    if (!outcome.error.empty())
        return outcome;
    for (const CheckedLane& lane : checked)
        outcome.rows[static_cast<std::size_t>(lane.lane)] =
            EnterLane(table, settings, lane, lanes[static_cast<std::size_t>(lane.lane)]);

    std::vector<int> moved;
    outcome.placesComputed = RecalcPlaces(table, settings, sort, ranking, &moved);
    for (int& row : outcome.rows)
        if (row > 0 && outcome.placesComputed)
            row = moved[static_cast<std::size_t>(row)];
    outcome.selectRow = outcome.rows[0];
    if (outcome.selectRow < 0) // lane 1 was not entered: still show its starter
        if (const auto number = StartNumberOf(lanes[0]))
            outcome.selectRow = table.FindStartRow(*number);
    outcome.ok = true;
    return outcome;
}

int ScrollTopRow(int row, int visibleRows, int rowCount, int gridHeight, int defaultRowHeight) {
    const int top = row - visibleRows / 2;
    const bool allFit = static_cast<long long>(defaultRowHeight + 1) * rowCount <= gridHeight;
    return top < 1 || allFit ? 1 : top;
}

} // namespace caniparc
