// What every export takes from the protocol: the columns the grid shows, the course-data texts
// of the page and document headers, and the code points of a cell's UTF-8 text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace caniparc {

class ProtocolTable;
struct Settings;

// The columns 0 to 18 the protocol grid shows for these settings, in ascending order: the
// second run only with two runs, the bonus mark only with the bonus on; never the sort key.
std::vector<int> ShownColumns(const Settings& settings);

// `Dist` and `Skor` as the headers write them: two decimals, the locale's separator.
std::string DistText(const Settings& settings);
std::string SkorText(const Settings& settings);

// A text as XML can carry it whatever the protocol holds: bytes that are no UTF-8 (and lone
// surrogates) become U+FFFD, control codes other than TAB and line ends and the non-characters
// U+FFFE and U+FFFF are left out. A document with one of them is refused by every office program.
std::string XmlSafeText(std::string_view text);

// A cell as the office files write it: XmlSafeText, and a cell of blanks only (what an empty
// cell reads back as from the protocol file) written empty, so that a sheet's "is it blank"
// tests see it as blank.
std::string OfficeCellText(std::string_view text);

// The number of characters (not bytes) of a UTF-8 text.
std::size_t CharacterCount(std::string_view utf8);

// How wide each of these columns wants to be, in characters: its longest text (title row
// included) and a margin, kept between a narrow and a wide bound so that one long club name
// does not crowd out the rest.
std::vector<double> ColumnTextWidths(const ProtocolTable& table, const std::vector<int>& columns);

} // namespace caniparc
