// Starter lists and protocols from spreadsheets: the first sheet of an .xlsx, .ods or .xls file
// becomes the protocol, read by the station itself. Only the used area is read, and the rows end
// at the first row whose first cell is empty, so no sheet size can exhaust the memory.
#pragma once

#include "protocol/ProtocolFile.h"
#include "protocol/ProtocolTable.h"

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace caniparc {

struct Settings;
struct SortState;
struct Ranking;

// The protocol columns whose numbers are rewritten in the time format on import.
inline const std::set<int> ImportNumberColumns = {ColTime1,       ColTimeFaults1, ColTotal1, ColTime2,
                                                  ColTimeFaults2, ColTotal2,      ColSpeed};

// Far beyond any class, like the protocol file's limit.
inline constexpr std::size_t MaxImportRows = 100'000;

struct SheetImport {
    std::vector<ProtocolTable::Row> rows; // row 0 the titles; columns 0 to 18
    std::string error;                    // German, empty on success
};

// An .xlsx or .ods file's bytes; `name` only goes into the messages.
SheetImport ReadSpreadsheetBytes(std::string_view bytes, const Settings& settings, const std::string& name = {});

// Any of the three formats, told apart by their first bytes, not by the file's name.
SheetImport ReadSpreadsheetFile(const std::string& path, const Settings& settings);

// Replaces the table by the imported rows and brings everything after it up to date, as opening
// a protocol file does: standard titles into blank header cells, every row recomputed, places.
StartListSelection LoadImportedRows(std::vector<ProtocolTable::Row> rows, ProtocolTable& table,
                                    const Settings& settings, SortState& sort, Ranking& ranking);

} // namespace caniparc
