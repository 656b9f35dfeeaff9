// Scoring of runs and recomputation of protocol rows (see Scoring.h).
#include "protocol/Scoring.h"

#include "common/NumberText.h"
#include "protocol/ResultText.h"
#include "settings/Settings.h"
#include "timing/TimeText.h"

#include <limits>

namespace caniparc {
namespace {

// The columns of one run in a row.
struct RunColumns {
    int time, faults, refusals, timeFaults, total;
};
constexpr RunColumns Run1{ColTime1, ColFaults1, ColRefusals1, ColTimeFaults1, ColTotal1};
constexpr RunColumns Run2{ColTime2, ColFaults2, ColRefusals2, ColTimeFaults2, ColTotal2};

struct RunValue {
    std::int64_t key = 0;
    double total = 0.0;
    std::int64_t ms = 0;
};

// Time faults follow from the time alone, whatever the operator typed.
void RewriteTimeFaults(ProtocolTable& table, const Settings& settings, int row, int column, std::int64_t ms) {
    table.SetCell(column, row,
                  TimeFaultsText(ms, settings.ZeitStandart, settings.TimeFormatIndex, settings.DecimalSeparator));
}

RunValue RecalcRun(ProtocolTable& table, const Settings& settings, int row, const RunColumns& cols) {
    const char separator = settings.DecimalSeparator;
    RunFaults run;
    run.faults = ParseInteger(table.Cell(cols.faults, row)).value_or(0);
    run.refusals = ParseInteger(table.Cell(cols.refusals, row)).value_or(0);
    RunValue value;
    value.ms = SecondsTextToMs(table.Cell(cols.time, row), separator);
    // Without live time faults (`ZFCalc` off) the operator gives them, and a recomputation keeps
    // what the entry wrote; only a cell without a number is filled from the time.
    const bool typedTimeFaults =
        !settings.ZFCalc && ParseDecimal(table.Cell(cols.timeFaults, row), separator).has_value();
    if (value.ms > 0 && !typedTimeFaults)
        RewriteTimeFaults(table, settings, row, cols.timeFaults, value.ms);
    // A time that is no number (a contact list's text) keeps its time faults, as its entry did;
    // only a run without a time has none.
    const std::string& time = table.Cell(cols.time, row);
    const bool timedWithoutNumber = value.ms == 0 && !IsNoResult(time);
    if (const auto timeFaults = ParseDecimal(table.Cell(cols.timeFaults, row), separator)) {
        if (value.ms == 0 && !timedWithoutNumber)
            table.SetCell(cols.timeFaults, row, {});
        else
            run.timeFaults = *timeFaults;
    }
    value.total = RunTotal(run, settings.Multi);
    value.key = RunKey(value.total, run);
    if (!IsNoResult(table.Cell(cols.time, row)))
        table.SetCell(cols.total, row, FormatResult(value.total, settings));
    return value;
}

// A negative value in a result cell can only be a cancelled value.
void NormaliseDashes(ProtocolTable& table, int row) {
    for (int col = ColTime1; col <= ColPlace; ++col) {
        const std::string& cell = table.Cell(col, row);
        if (!TrimBlanks(cell).empty() && cell.front() == '-')
            table.SetCell(col, row, std::string(TextNone));
    }
}

void RecalcOneRow(ProtocolTable& table, const Settings& settings, int row) {
    NormaliseDashes(table, row);
    RunValue value = RecalcRun(table, settings, row, Run1);
    table.SetCell(ColSortKey, row, std::to_string(value.key));
    if (settings.LaufCount > 1) {
        const RunValue second = RecalcRun(table, settings, row, Run2);
        table.SetCell(ColSortKey, row, std::to_string(AddKeys(value.key, second.key)));
        if (second.ms > 0) {
            value.ms = second.ms;
            value.total = second.total;
        }
    }
    if (value.ms < 1)
        return;
    table.SetCell(ColGrade, row, GradeFor(value.total, settings));
    table.SetCell(ColSpeed, row, FormatSpeed(value.ms, settings));
}

} // namespace

double RunTotal(const RunFaults& run, int multi) {
    const long double counted = static_cast<long double>(run.faults) + static_cast<long double>(run.refusals);
    return static_cast<double>(counted * multi + run.timeFaults);
}

std::int64_t AddKeys(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

std::int64_t RunKey(double total, const RunFaults& run) {
    const auto scaled = RoundHalfEven(static_cast<double>(static_cast<long double>(total) * 100000.0L));
    return AddKeys(AddKeys(scaled, run.faults), run.refusals);
}

const std::string& GradeFor(double total, const Settings& settings) {
    if (total < settings.QP2)
        return settings.QPs1;
    if (total < settings.QP3)
        return settings.QPs2;
    if (total < settings.QP4)
        return settings.QPs3;
    return settings.QPs4;
}

std::string FormatResult(double value, const Settings& settings) {
    return FormatFixed(value, settings.TimeFormatIndex == 0 ? 1 : 2, settings.DecimalSeparator);
}

std::string FormatSpeed(std::int64_t ms, const Settings& settings) {
    if (ms <= 0)
        return {};
    return FormatFixed(settings.Dist * 1000.0 / static_cast<double>(ms), 2, settings.DecimalSeparator);
}

void RecalcRow(ProtocolTable& table, const Settings& settings, int row) {
    if (row >= table.RowCount())
        return;
    if (row >= 1) {
        RecalcOneRow(table, settings, row);
        return;
    }
    for (int each = 1; each < table.RowCount(); ++each)
        RecalcOneRow(table, settings, each);
}

} // namespace caniparc
