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

// The number of characters (not bytes) of a UTF-8 text.
std::size_t CharacterCount(std::string_view utf8);

// How wide each of these columns wants to be, in characters: its longest text (title row
// included) and a margin, kept between a narrow and a wide bound so that one long club name
// does not crowd out the rest.
std::vector<double> ColumnTextWidths(const ProtocolTable& table, const std::vector<int>& columns);

} // namespace caniparc
