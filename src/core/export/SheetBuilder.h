// What the three spreadsheet readers share: the rows collected cell by cell, ended at the first
// empty first cell, with every text made fit for the protocol and the whole bounded by what a
// class can hold; the values of typed cells (durations, dates) as the protocol writes them; and
// the German reasons for a refusal.
#pragma once

#include "export/ZipArchive.h"
#include "protocol/ProtocolTable.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace caniparc {

struct Settings;

inline constexpr int kSheetColumns = ColPlace + 1;

// The text a class's sheet holds comes to a few megabytes; a file that unpacks to more is a
// bomb, not a start list.
inline constexpr std::size_t kMaxSheetTextBytes = 32u * 1024u * 1024u;

// How a cell's number is shown: as it is, as a duration (a time typed as minutes and seconds),
// as a date, or as a date with its time of day.
enum class NumberKind { Plain, Duration, Date, DateTime };

// A spreadsheet's serial day number (days since 1899-12-30, or since 1904-01-01 for a workbook
// that counts from then) as the station writes it: a duration in seconds with hundredths
// ("38,50"), a date "15.03.2026", a date with its time "15.03.2026 14:30".
std::string SerialText(double serial, NumberKind kind, char separator, bool from1904 = false);

// A text for the protocol: invalid UTF-8 and lone surrogates become U+FFFD, line breaks, TABs
// and other control codes a blank, as the protocol file writes them.
std::string CleanCellText(std::string_view text);

struct SheetMessages {
    std::string name;
    std::string NotASheet() const { return "Die Datei " + name + " ist keine Tabelle (xlsx, ods oder xls)."; }
    std::string Damaged() const { return "Die Tabelle " + name + " ist beschädigt."; }
    std::string TooLarge() const { return "Ein Teil der Tabelle " + name + " ist entpackt größer als 64 MiB."; }
    std::string NoSheet() const { return "Die Tabelle " + name + " enthält kein Tabellenblatt."; }
    std::string TooMany() const;
    std::string TooDeep() const {
        return "Die Tabelle " + name + " ist tiefer verschachtelt, als eine Tabelle es je braucht.";
    }
    std::string TooMuch() const {
        return "Die Tabelle " + name + " enthält weit mehr Text oder Zellen, als eine Klasse braucht.";
    }
    std::string Of(ZipError error) const {
        return error == ZipError::PartTooLarge ? TooLarge() : error == ZipError::NoSuchPart ? NoSheet() : Damaged();
    }
    // A cell as a sheet names it: "A3" for column 0, row 2.
    std::string NoValue(int col, std::size_t row) const;
};

// Collects the cells row by row and ends the rows at the first empty first cell.
class SheetBuilder {
public:
    explicit SheetBuilder(const Settings& settings) : settings_(settings) {}

    // False once the rows have ended, so the reader can stop.
    bool StartRow(std::size_t index);
    void Cell(int col, std::string_view text);
    void Number(int col, double value, NumberKind kind = NumberKind::Plain, bool from1904 = false);
    // Ends the rows when the row just read has no first cell; false then.
    bool EndRow();
    bool TooMany() const;
    std::size_t Rows() const { return rows_.size(); }
    bool TooMuchText() const { return textBytes_ > kMaxSheetTextBytes; }
    void Reserve(std::size_t rows);
    const Settings& settings() const { return settings_; }

    // Number columns in the time format; where the title row holds the station's own titles in
    // another order (a one-run protocol saved by the station), each column goes under its title.
    std::vector<ProtocolTable::Row> Finish();

private:
    std::string NumberText(double value) const;

    const Settings& settings_;
    std::vector<ProtocolTable::Row> rows_;
    std::size_t textBytes_ = 0;
    bool ended_ = false;
};

} // namespace caniparc
