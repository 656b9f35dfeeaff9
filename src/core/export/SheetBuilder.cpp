// Rows from a sheet's cells (see SheetBuilder.h).
#include "export/SheetBuilder.h"

#include "common/Encoding.h"
#include "common/NumberText.h"
#include "export/SpreadsheetImport.h"
#include "settings/Settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace caniparc {
namespace {

// The civil date of a day count from 1970-01-01 (H. Hinnant's algorithm).
void CivilFromDays(long long z, int& year, unsigned& month, unsigned& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

// Sheet columns to protocol columns when the title row names the station's columns in rising
// order ("Nr." first); nullopt for any other title row, which then maps by position.
std::optional<std::array<int, kSheetColumns>> ColumnsByTitle(const ProtocolTable::Row& titles) {
    std::array<int, kSheetColumns> map{};
    map.fill(-1);
    int last = -1;
    int used = 0;
    for (int k = 0; k < kSheetColumns; ++k) {
        const std::string_view title = TrimBlanks(titles[static_cast<std::size_t>(k)]);
        if (title.empty())
            continue;
        int col = last + 1;
        while (col < kSheetColumns && ColumnTitles[static_cast<std::size_t>(col)] != title)
            ++col;
        if (col == kSheetColumns || used != k) // an unknown title, or a gap before this one
            return std::nullopt;
        map[static_cast<std::size_t>(k)] = col;
        last = col;
        ++used;
    }
    bool moved = false;
    for (int k = 0; k < used; ++k)
        moved = moved || map[static_cast<std::size_t>(k)] != k;
    if (!moved || map[0] != ColStartNr)
        return std::nullopt;
    return map;
}

} // namespace

std::string SerialText(double serial, NumberKind kind, char separator, bool from1904) {
    if (!std::isfinite(serial) || std::fabs(serial) > 3e6) // beyond the year 9999
        return FormatFixed(0, 2, separator);
    if (kind == NumberKind::Duration)
        return FormatFixed(static_cast<double>(RoundHalfEven(serial * 8'640'000)) / 100, 2, separator);
    const long long minutes = RoundHalfEven(serial * 1440);
    const long long days = minutes / 1440 - (minutes % 1440 < 0 ? 1 : 0);
    int year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days - (from1904 ? 24107 : 25569), year, month, day);
    char text[48];
    if (kind == NumberKind::Date)
        std::snprintf(text, sizeof text, "%02u.%02u.%04d", day, month, year);
    else
        std::snprintf(text, sizeof text, "%02u.%02u.%04d %02lld:%02lld", day, month, year, (minutes - days * 1440) / 60,
                      (minutes - days * 1440) % 60);
    return text;
}

std::string CleanCellText(std::string_view text) {
    std::string clean = SanitizeUtf8(text);
    for (std::size_t i = 0; i < clean.size(); ++i) {
        const auto c = static_cast<unsigned char>(clean[i]);
        if (c < 0x20 || c == 0x7F) {
            clean[i] = ' ';
        } else if (c == 0xC2 && i + 1 < clean.size() && static_cast<unsigned char>(clean[i + 1]) < 0xA0) {
            clean.replace(i, 2, " "); // a C1 control code
        }
    }
    return clean;
}

std::string SheetMessages::TooMany() const {
    return "Die Tabelle " + name + " hat mehr als " + std::to_string(MaxImportRows) + " Zeilen.";
}

std::string SheetMessages::NoValue(int col, std::size_t row) const {
    std::string letters;
    for (int c = col + 1; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    return "Die Zelle " + letters + std::to_string(row + 1) + " der Tabelle " + name +
           " enthält eine Formel ohne gespeichertes Ergebnis; bitte die Tabelle in der Tabellenkalkulation "
           "neu berechnen und speichern.";
}

bool SheetBuilder::StartRow(std::size_t index) {
    if (ended_ || index != rows_.size()) { // a missing row is an empty one
        ended_ = true;
        return false;
    }
    rows_.emplace_back();
    return true;
}

void SheetBuilder::Cell(int col, std::string_view text) {
    if (col < 0 || col >= kSheetColumns || rows_.empty())
        return;
    std::string& cell = rows_.back()[static_cast<std::size_t>(col)];
    textBytes_ += text.size();
    cell = CleanCellText(text);
}

void SheetBuilder::Number(int col, double value, NumberKind kind, bool from1904) {
    Cell(col,
         kind == NumberKind::Plain ? NumberText(value) : SerialText(value, kind, settings_.DecimalSeparator, from1904));
}

bool SheetBuilder::EndRow() {
    if (!rows_.empty() && rows_.back()[ColStartNr].empty()) {
        rows_.pop_back();
        ended_ = true;
    }
    return !ended_;
}

bool SheetBuilder::TooMany() const {
    return rows_.size() > MaxImportRows;
}

void SheetBuilder::Reserve(std::size_t rows) {
    rows_.reserve(std::min(rows, MaxImportRows + 1));
}

std::vector<ProtocolTable::Row> SheetBuilder::Finish() {
    // A row a broken file never closed (a row inside a row) was not checked when it ended.
    const auto unchecked =
        std::find_if(rows_.begin(), rows_.end(), [](const ProtocolTable::Row& row) { return row[ColStartNr].empty(); });
    rows_.erase(unchecked, rows_.end());
    if (!rows_.empty()) {
        if (const auto map = ColumnsByTitle(rows_.front())) {
            for (ProtocolTable::Row& row : rows_) {
                ProtocolTable::Row moved;
                for (std::size_t k = 0; k < map->size(); ++k)
                    if ((*map)[k] >= 0)
                        moved[static_cast<std::size_t>((*map)[k])] = std::move(row[k]);
                row = std::move(moved);
            }
        }
    }
    for (ProtocolTable::Row& row : rows_) {
        for (const int col : ImportNumberColumns) {
            std::string& cell = row[static_cast<std::size_t>(col)];
            if (const auto value = ParseDecimal(cell, settings_.DecimalSeparator))
                cell = FormatFixed(*value, settings_.TimeFormatIndex == 0 ? 1 : 2, settings_.DecimalSeparator);
        }
    }
    return std::move(rows_);
}

// A number as a spreadsheet shows it converted to text: shortest form, locale separator.
std::string SheetBuilder::NumberText(double value) const {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (const std::size_t dot = text.find('.'); dot != std::string::npos)
        text[dot] = settings_.DecimalSeparator;
    return text;
}

} // namespace caniparc
