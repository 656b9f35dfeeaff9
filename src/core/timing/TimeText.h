// Conversions between elapsed counts, hundredths of a second and the time texts the protocol
// and the contact lists store ("12,34" with hundredths, "12,3" with tenths; always a comma).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace caniparc {

// Hundredths of a second in `counts` (counts / countSpeed / 10000), rounded to the nearest
// integer with halves going to the even neighbour.
std::int64_t HundredthsOf(std::int64_t counts, double countSpeed);

// timeFormatIndex 1: hundredths ("12,34"); 0: tenths ("12,3", the hundredths rounded first and
// then cut). The seconds part is cut to its first four characters.
std::string TicksToTimeText(std::int64_t counts, double countSpeed, int timeFormatIndex);
std::string HundredthsToTimeText(std::int64_t hundredths, int timeFormatIndex);

// Reads a time text (comma, or the locale's separator) back into counts, rounded half to even.
// A text that is not a number gives 0.
std::int64_t TimeTextToTicks(std::string_view text, double countSpeed, char localeSeparator);

// The time faults of a run of `ms` milliseconds over a standard time of `standardSeconds`:
// the excess in the time format ("%1.1f" with tenths, "%1.2f" with hundredths), 0 within the
// standard time. The lane shows them, the entry writes them and every recomputation of the row
// writes them again from the same function, so an entered row never changes when recomputed.
std::string TimeFaultsText(std::int64_t ms, int standardSeconds, int timeFormatIndex, char separator);

} // namespace caniparc
