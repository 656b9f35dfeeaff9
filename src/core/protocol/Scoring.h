// What a run is worth: total penalty, run key, grade and speed, and the recomputation of a
// protocol row from its cells.
#pragma once

#include "protocol/ProtocolTable.h"

#include <cstdint>
#include <string>

namespace caniparc {

struct Settings;

// The operator's inputs of one run, already converted.
struct RunFaults {
    std::int64_t faults = 0;
    std::int64_t refusals = 0;
    double timeFaults = 0.0;
};

// faults and refusals times `Multi` plus the time faults.
double RunTotal(const RunFaults& run, int multi);

// round(total x 100 000) + faults + refusals: equal totals order by fewer counted faults, so a
// total made of time faults ranks before the same total made of faults. Held in 64 bits and
// saturating, so that an absurd total cannot wrap around to a small key.
std::int64_t RunKey(double total, const RunFaults& run);
std::int64_t AddKeys(std::int64_t a, std::int64_t b); // saturating

// The grade name of a total by the limits QP2 < QP3 < QP4 (strict comparisons).
const std::string& GradeFor(double total, const Settings& settings);

// Totals, time faults and normalised times: "%1.1f" with tenths, "%1.2f" with hundredths.
std::string FormatResult(double value, const Settings& settings);
// Speed in metres per second, always two decimals; empty when ms is not above 0.
std::string FormatSpeed(std::int64_t ms, const Settings& settings);

// Recomputes time faults (from the time; with `ZFCalc` off a time-fault number already in the
// cell stays), totals, run key, grade and speed of `row` from its cells; a row below
// 1 recomputes every data row. A cell that does not convert counts as 0; nothing throws.
void RecalcRow(ProtocolTable& table, const Settings& settings, int row);

} // namespace caniparc
