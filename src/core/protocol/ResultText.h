// Reading the result texts of the protocol: the placeholders, run times as milliseconds and the
// order of result cells (numbers first, then "DIS", then "-", then blanks).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace caniparc {

// True for a blank text, for exactly "-" and for "DIS" in any letter case: the cell holds no
// result.
bool IsNoResult(std::string_view text);

// A decimal seconds text ("45,07", a literal comma or `separator`) as whole milliseconds,
// rounded half to even; 0 when the text does not convert. Absurdly large values saturate.
std::int64_t SecondsTextToMs(std::string_view text, char separator);

// -1, 0 or +1. Texts are first classed: blank 20, "DIS" in any case 18, "-" 19, otherwise their
// length in characters; a smaller class sorts first, equal classes compare byte by byte. So
// numbers with the same number of decimals sort numerically.
int CompareResultText(std::string_view a, std::string_view b);
// The class CompareResultText orders by first, for sorting many texts.
std::size_t ResultTextClass(std::string_view text);

// The key of the byte-wise columns (names, club, category, bonus, speed, place): the text in
// Windows-1252 with that code page's upper-case letters, so "Ä" sorts after "Z" and "š" equals
// "Š" whatever the text's encoding in memory. A character without a byte there sorts last.
std::string CodePageSortKey(std::string_view text);

// The upper-case form the grid compares by: ASCII letters and the accented Latin-1 letters
// (in UTF-8) are raised, everything else is kept.
std::string UpperCaseText(std::string_view text);

} // namespace caniparc
