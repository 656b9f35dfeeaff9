// The protocol as a word-processor document (.docx): the class's header block, then a table of
// the shown columns with the titles in bold. A club's template keeps its styles, headers and
// footers; the protocol goes at the start of its body.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace caniparc {

class ProtocolTable;
struct Settings;

inline constexpr std::string_view DocumentTemplateName = "Protokollvorlage.docx";

// Where a template is looked for, in this order: beside the program, then in the backup folder.
std::vector<std::string> DocumentTemplateCandidates(const std::string& programFolder, const Settings& settings);

// The header block as text lines (TAB inside a line), as the document shows it.
std::vector<std::string> DocumentHeaderLines(const ProtocolTable& table, const Settings& settings);

// The text width of a landscape A4 page with the document's margins of 2 cm, in twentieths of
// a point.
inline constexpr int LandscapeTextWidth = 16838 - 2 * 1134;

// The table's column widths in twentieths of a point, adding up to exactly textWidth, laid out
// as a browser lays out a table: with room for every text on one line, the room to spare goes
// in proportion to the texts; else each column gets its longest word and the rest goes to the
// columns in proportion to how much more their texts want, so names and clubs wrap at their
// spaces while times and places keep their width; only a page too narrow for the words cuts
// them all alike.
// The room a character takes in a table cell, in twentieths of a point, a cell's margins left
// and right together, and the height of a table row's line with its rule. A club's template
// keeps its own font, so its guess is wide; the station's own document sets a 9-point sans font
// (a line of about 210) and narrow margins, so that even the nineteen columns of two runs keep
// every word whole on a landscape page.
struct DocumentTextMetrics {
    double character = 155;
    double boldCharacter = 180;
    int cellPadding = 2 * 108;
    int lineHeight = 300;
};
inline constexpr DocumentTextMetrics OwnDocumentMetrics{125, 140, 2 * 57, 230};

std::vector<int> DocumentColumnWidths(const ProtocolTable& table, const std::vector<int>& columns, int textWidth,
                                      const DocumentTextMetrics& metrics = {});

// The table split into pages: the first row and the row past the last of each page, with
// `firstRoom` and `room` the heights (twentieths of a point) the first and every later page leave
// for the table. A row's height is its most wrapped cell's lines, wrapped as ColumnExtent breaks
// words, at the metrics' wide guess; each page's table repeats the title row (row 0, not in the
// ranges). A row taller than a page gets a page of its own.
std::vector<std::pair<int, int>> DocumentPageRows(const ProtocolTable& table, const std::vector<int>& columns,
                                                  const std::vector<int>& widths, const DocumentTextMetrics& metrics,
                                                  int firstRoom, int room);

struct DocumentResult {
    std::string bytes; // the .docx file
    std::string error; // German, empty on success
};

// templateBytes empty: a new landscape A4 document.
DocumentResult BuildDocument(const ProtocolTable& table, const Settings& settings,
                             const std::string& templateBytes = {});

} // namespace caniparc
