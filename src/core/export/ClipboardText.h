// The protocol as clipboard text, for pasting into other programs: every row with the titles
// first, columns 0 to 18, TAB between cells, CR LF after each row.
#pragma once

#include "protocol/ProtocolTable.h"

#include <string>

namespace caniparc {

// Unlike the protocol file, empty rows and empty cells are kept (an empty cell adds nothing,
// not a blank), no TAB follows the last cell, and a cell holding ";" is put in double quotes so
// that a program reading semicolons as separators keeps it whole; a quote inside such a cell is
// doubled, so the cell pastes back as it was. A line break, TAB or other control code in a cell
// becomes a blank, so that no cell splits its row. UTF-8; the clipboard converts.
std::string ClipboardText(const ProtocolTable& table);

} // namespace caniparc
