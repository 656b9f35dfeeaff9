// The protocol as a spreadsheet workbook (.xlsx): the shown columns with the titles in bold,
// borders, landscape pages, two decimals in the result columns and the class's titles as the
// document's properties. Number texts go in as numbers, so a club can sum and sort them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace caniparc {

class ProtocolTable;
struct Settings;

// The sheet positions (from 1) that get the two-decimal number format, whatever lands there.
inline constexpr int SheetNumberColumns[] = {6, 9, 10, 11, 14, 15, 17};

// A sheet name the spreadsheet accepts: at most 31 characters, none of : \ / ? * [ ], no
// apostrophe at either end, not empty.
std::string ValidSheetName(std::string_view title);

// The number a cell text stands for when it is written in the station's format (digits, at most
// one separator or comma, an optional minus); nullopt for any other text, and for numbers with
// a leading zero such as a start number "007", which stay texts.
std::optional<double> CellNumber(std::string_view text, char separator);

struct SpreadsheetResult {
    std::string bytes; // the .xlsx file
    std::string error; // German, empty on success
};

// Builds the workbook in a temporary folder (tmpFolder, empty: the system's) and returns its bytes.
SpreadsheetResult BuildSpreadsheet(const ProtocolTable& table, const Settings& settings,
                                   const std::string& tmpFolder = {});

} // namespace caniparc
