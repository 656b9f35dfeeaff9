// Writing and reading the protocol file (see ProtocolFile.h).
#include "protocol/ProtocolFile.h"

#include "common/Encoding.h"
#include "common/NumberText.h"
#include "protocol/Ranking.h"
#include "protocol/Scoring.h"

#include <algorithm>
#include <optional>

namespace caniparc {
namespace {

// The file never holds the hidden sort key.
constexpr int kWrittenColumns = ColSortKey;

bool IsWritten(const ProtocolTable::Row& row) {
    return !row[ColStartNr].empty();
}

// Any starter below the header counts, not only row 1: a number erased in the first row must not
// empty the whole file, and with it the next backup.
bool HoldsStarters(const ProtocolTable& table) {
    const auto& rows = table.Rows();
    return std::any_of(rows.begin() + std::min<std::ptrdiff_t>(1, std::ssize(rows)), rows.end(), IsWritten);
}

// A TAB or line break inside a cell would shift every later cell of the row on reading.
// Control codes become blanks: tabs and line ends would split the cell, and any other control
// code would make the reader refuse the file as not text, the backup included.
bool IsControlAt(const std::string& cell, std::size_t i) {
    const auto c = static_cast<unsigned char>(cell[i]);
    return c < 0x20 || c == 0x7F ||
           (c == 0xC2 && i + 1 < cell.size() && static_cast<unsigned char>(cell[i + 1]) < 0xA0); // C1 codes
}

void AppendCell(std::string& text, const std::string& cell) {
    if (cell.empty()) {
        text += ' ';
        text += '\t';
        return;
    }
    for (std::size_t i = 0; i < cell.size(); ++i) {
        if (!IsControlAt(cell, i)) {
            text += cell[i];
            continue;
        }
        text += ' ';
        if (static_cast<unsigned char>(cell[i]) == 0xC2)
            ++i; // the C1 code's second byte
    }
    text += '\t';
}

std::string FormatText(const ProtocolTable& table) {
    std::string text;
    text.reserve(static_cast<std::size_t>(table.RowCount()) * 128);
    // The header line is always there, so that a first starter can never be read back as titles.
    for (const auto& row : table.Rows()) {
        if (&row != &table.Rows().front() && !IsWritten(row))
            continue;
        for (int col = 0; col < kWrittenColumns; ++col)
            AppendCell(text, row[static_cast<std::size_t>(col)]);
        text += "\r\n";
    }
    return text;
}

std::string FieldText(std::string_view field) {
    return field.empty() ? std::string(" ") : std::string(field);
}

// After the separator every further TAB of a run is skipped, which is the same as collapsing
// the run first: an empty field between two TABs vanishes, one before the first TAB stays.
void FillRow(std::string_view line, ProtocolTable::Row& row) {
    const bool tabs = line.find('\t') != std::string_view::npos;
    const char separator = tabs ? '\t' : ';';
    std::size_t start = 0;
    for (std::size_t col = 0; col < row.size(); ++col) {
        const std::size_t end = line.find(separator, start);
        if (end == std::string_view::npos) {
            if (start < line.size()) // a trailing separator adds no field
                row[col] = FieldText(line.substr(start));
            return;
        }
        row[col] = FieldText(line.substr(start, end - start));
        start = end + 1;
        while (tabs && start < line.size() && line[start] == '\t')
            ++start;
    }
}

// The next line and the position after its end: CR LF, a lone LF and a lone CR each end a line.
std::string_view NextLine(std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    pos = end;
    if (pos < text.size() && text[pos] == '\r')
        ++pos;
    if (pos < text.size() && text[pos] == '\n')
        ++pos;
    return text.substr(start, end - start);
}

// The number of lines, or nothing when there are more than `maxLines`.
std::optional<std::size_t> CountLines(std::string_view text, std::size_t maxLines) {
    std::size_t lines = 0;
    for (std::size_t pos = 0; pos < text.size(); ++lines) {
        if (lines == maxLines)
            return std::nullopt;
        NextLine(text, pos);
    }
    return lines;
}

// Blank as the file will hold it: the writer turns control codes into blanks.
bool WrittenBlank(const std::string& cell) {
    for (std::size_t i = 0; i < cell.size(); ++i) {
        if (cell[i] == ' ')
            continue;
        if (!IsControlAt(cell, i))
            return false;
        if (static_cast<unsigned char>(cell[i]) == 0xC2)
            ++i; // the C1 code's second byte
    }
    return true;
}

void RestoreHeaderTitles(ProtocolTable::Row& header) {
    for (int col = 0; col < ColSortKey; ++col) {
        auto& cell = header[static_cast<std::size_t>(col)];
        if (WrittenBlank(cell))
            cell = std::string(ColumnTitles[static_cast<std::size_t>(col)]);
    }
}

// A list or protocol holds printable text, tabs, semicolons and line ends. NUL bytes, other
// control codes, or bytes Windows-1252 leaves undefined (they decode to C1 controls) mean a
// program, a picture or an archive, which would otherwise become a protocol of junk rows.
// Checked on the decoded UTF-8 text, so whatever passes also passes again after a save.
bool LooksLikeText(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const bool allowedControl = c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == 0x1A; // 0x1A: DOS end
        if ((c < 0x20 && !allowedControl) || c == 0x7F)
            return false;
        const bool c1Control = c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0;
        if (c1Control)
            return false;
    }
    return true;
}

} // namespace

std::string FormatProtocolFile(const ProtocolTable& table) {
    if (!HoldsStarters(table))
        return {};
    return EncodeTextFile(FormatText(table)).bytes;
}

FileError CheckProtocolFileLimits(std::string_view bytes, const ProtocolFileLimits& limits) {
    if (bytes.size() > limits.bytes)
        return FileError::TooLarge;
    // Line ends are the same bytes in every encoding the file may have.
    return CountLines(bytes, limits.lines) ? FileError::None : FileError::TooManyRows;
}

FileError ParseProtocolFile(std::string_view bytes, std::vector<ProtocolTable::Row>& rows, std::size_t maxLines) {
    const std::string text = DecodeTextFile(bytes);
    if (!LooksLikeText(text))
        return FileError::NotText;
    const auto lines = CountLines(text, maxLines);
    if (!lines)
        return FileError::TooManyRows; // before a single row is built
    std::vector<ProtocolTable::Row> parsed(*lines);
    std::size_t pos = 0;
    for (auto& row : parsed)
        FillRow(NextLine(text, pos), row);
    rows = std::move(parsed);
    return FileError::None;
}

void LoadProtocolRows(ProtocolTable& table, std::vector<ProtocolTable::Row> rows) {
    if (rows.empty())
        rows.push_back(table.RowAt(0));
    if (rows.size() < 2)
        rows.resize(2);
    RestoreHeaderTitles(rows.front());
    table.ReplaceRows(std::move(rows));
}

FileResult WriteProtocolFile(FileSystem& fs, const ProtocolTable& table, const std::filesystem::path& path,
                             const ProtocolFileLimits& limits) {
    const std::string bytes = FormatProtocolFile(table);
    if (const FileError error = CheckProtocolFileLimits(bytes, limits); error != FileError::None)
        return {error, std::make_error_code(std::errc::file_too_large), path.string()};
    return WriteFileAtomically(fs, path, bytes);
}

ProtocolLoad ReadProtocolBytes(std::string_view bytes, ProtocolTable& table, const Settings& settings, SortState& sort,
                               Ranking& ranking, std::size_t maxLines) {
    std::vector<ProtocolTable::Row> rows;
    if (const FileError error = ParseProtocolFile(bytes, rows, maxLines); error != FileError::None)
        return {{error, {}, {}}, {}};
    LoadProtocolRows(table, std::move(rows));
    RecalcRow(table, settings, 0);
    RecalcPlaces(table, settings, sort, ranking);
    return {{}, SelectStartersAfterLoad(table)};
}

ProtocolLoad ReadProtocolFile(const std::filesystem::path& path, ProtocolTable& table, const Settings& settings,
                              SortState& sort, Ranking& ranking, const ProtocolFileLimits& limits) {
    std::string bytes;
    if (FileResult result = ReadWholeFile(path, limits.bytes, bytes); !result.Ok())
        return {std::move(result), {}};
    ProtocolLoad load = ReadProtocolBytes(bytes, table, settings, sort, ranking, limits.lines);
    load.result.path = path.string();
    return load;
}

StartListSelection SelectStartersAfterLoad(const ProtocolTable& table) {
    StartListSelection selection;
    for (int row = 1; row < table.RowCount(); ++row) {
        if (!TrimBlanks(table.Cell(ColStartNr, row)).empty())
            selection.startNumbers.push_back(table.Cell(ColStartNr, row));
    }
    const int entries = static_cast<int>(selection.startNumbers.size());
    for (int row = 1; row <= entries && row < table.RowCount(); ++row) {
        if (TrimBlanks(table.Cell(ColTime1, row)).empty()) {
            selection.lane1Index = row - 1;
            break;
        }
    }
    selection.selectedRow = selection.lane1Index + 1;
    selection.lane2Index = entries > 1 ? 1 : -1;
    return selection;
}

} // namespace caniparc
