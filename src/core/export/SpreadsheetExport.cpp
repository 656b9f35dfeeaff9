// The .xlsx export (see SpreadsheetExport.h), written with libxlsxwriter.
#include "export/SpreadsheetExport.h"

#include "common/Encoding.h"
#include "common/NumberText.h"
#include "export/ExportTable.h"
#include "export/ZipArchive.h"
#include "protocol/ProtocolTable.h"
#include "settings/Settings.h"

#if CANIPARC_OFFICE
#include <xlsxwriter.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <unistd.h>

namespace caniparc {
namespace {

constexpr std::size_t kMaxSheetName = 31;

#if CANIPARC_OFFICE

struct Formats {
    lxw_format* cell = nullptr;
    lxw_format* title = nullptr;
    lxw_format* numberCell = nullptr;
    lxw_format* numberTitle = nullptr;
    lxw_format* numberOnly = nullptr;
    lxw_format* integerCell = nullptr;
    lxw_format* integerTitle = nullptr;
};

Formats MakeFormats(lxw_workbook* book) {
    Formats f;
    f.cell = workbook_add_format(book);
    format_set_border(f.cell, LXW_BORDER_THIN);
    f.title = workbook_add_format(book);
    format_set_border(f.title, LXW_BORDER_HAIR);
    format_set_bold(f.title);
    f.numberCell = workbook_add_format(book);
    format_set_border(f.numberCell, LXW_BORDER_THIN);
    format_set_num_format(f.numberCell, "0.00");
    f.numberTitle = workbook_add_format(book);
    format_set_border(f.numberTitle, LXW_BORDER_HAIR);
    format_set_bold(f.numberTitle);
    format_set_num_format(f.numberTitle, "0.00");
    f.numberOnly = workbook_add_format(book);
    format_set_num_format(f.numberOnly, "0.00");
    f.integerCell = workbook_add_format(book);
    format_set_border(f.integerCell, LXW_BORDER_THIN);
    format_set_num_format(f.integerCell, "0");
    f.integerTitle = workbook_add_format(book);
    format_set_border(f.integerTitle, LXW_BORDER_HAIR);
    format_set_bold(f.integerTitle);
    format_set_num_format(f.integerTitle, "0");
    return f;
}

bool IsNumberColumn(int sheetColumn) {
    return std::find(std::begin(SheetNumberColumns), std::end(SheetNumberColumns), sheetColumn) !=
           std::end(SheetNumberColumns);
}

// The fixed positions get two decimals, whatever lands there; but a place is always a whole
// number and a speed always has two decimals, wherever the layout puts them.
lxw_format* FormatOf(const Formats& f, int row, int sheetColumn, int protocolColumn) {
    if (protocolColumn == ColPlace)
        return row == 0 ? f.integerTitle : f.integerCell;
    const bool number = protocolColumn == ColSpeed || IsNumberColumn(sheetColumn);
    if (row == 0)
        return number ? f.numberTitle : f.title;
    return number ? f.numberCell : f.cell;
}

// A sheet's cell holds at most this many characters; a longer text fails the whole workbook.
constexpr std::size_t kMaxCellCharacters = 32767;

std::string CellName(std::size_t col, int row) {
    std::string letters;
    for (std::size_t c = col + 1; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    return letters + std::to_string(row + 1);
}

// The cell that cannot go into a sheet, empty when all can.
std::string TooLongCell(const ProtocolTable& table, const std::vector<int>& columns) {
    for (int row = 0; row < table.RowCount(); ++row)
        for (std::size_t k = 0; k < columns.size(); ++k)
            if (CharacterCount(table.Cell(columns[k], row)) > kMaxCellCharacters)
                return CellName(k, row);
    return {};
}

// Row by row, each row whole before the next (the workbook writes a finished row out at once):
// the shown columns, then the number columns beyond them, which keep their format for what a
// club types there later.
lxw_error WriteCells(lxw_worksheet* sheet, const Formats& f, const ProtocolTable& table, const Settings& settings) {
    const std::vector<int> columns = ShownColumns(settings);
    const std::vector<double> widths = ColumnTextWidths(table, columns);
    for (std::size_t k = 0; k < columns.size(); ++k)
        worksheet_set_column(sheet, static_cast<lxw_col_t>(k), static_cast<lxw_col_t>(k), widths[k], nullptr);
    std::vector<lxw_format*> titleFormats, cellFormats;
    for (std::size_t k = 0; k < columns.size(); ++k) {
        titleFormats.push_back(FormatOf(f, 0, static_cast<int>(k) + 1, columns[k]));
        cellFormats.push_back(FormatOf(f, 1, static_cast<int>(k) + 1, columns[k]));
    }
    for (int row = 0; row < table.RowCount(); ++row) {
        const auto r = static_cast<lxw_row_t>(row);
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const std::string text = OfficeCellText(table.Cell(columns[k], row));
            const auto c = static_cast<lxw_col_t>(k);
            lxw_format* format = row == 0 ? titleFormats[k] : cellFormats[k];
            const std::optional<double> number = row == 0 ? std::nullopt : CellNumber(text, settings.DecimalSeparator);
            lxw_error error = number         ? worksheet_write_number(sheet, r, c, *number, format)
                              : text.empty() ? worksheet_write_blank(sheet, r, c, format)
                                             : worksheet_write_string(sheet, r, c, text.c_str(), format);
            if (error != LXW_NO_ERROR)
                return error;
        }
        for (const int sheetColumn : SheetNumberColumns)
            if (static_cast<std::size_t>(sheetColumn) > columns.size())
                worksheet_write_blank(sheet, r, static_cast<lxw_col_t>(sheetColumn - 1), f.numberOnly);
    }
    return LXW_NO_ERROR;
}

std::string ReadAndRemove(const std::filesystem::path& path) {
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return bytes;
}

// A file name of our own in the folder, made by creating it exclusively.
std::filesystem::path TemporaryXlsx(const std::string& folder) {
    std::string pattern =
        (folder.empty() ? std::filesystem::temp_directory_path().string() : folder) + "/caniparc-export-XXXXXX.xlsx";
    const int fd = mkstemps(pattern.data(), 5);
    if (fd < 0)
        return {};
    close(fd);
    return pattern;
}
#endif

} // namespace

std::string ValidSheetName(std::string_view title) {
    std::u32string name;
    for (const char32_t c : CodePoints(title)) {
        if (std::u32string_view(U":\\/?*[]").find(c) != std::u32string_view::npos || c < 0x20)
            continue;
        name += c;
    }
    if (name.size() > kMaxSheetName)
        name.resize(kMaxSheetName);
    while (!name.empty() && name.front() == U'\'')
        name.erase(name.begin());
    while (!name.empty() && name.back() == U'\'')
        name.pop_back();
    if (name.empty() || name == U"History")
        return "Protokoll";
    std::string out;
    for (const char32_t c : name)
        AppendUtf8(out, c);
    return out;
}

std::optional<double> CellNumber(std::string_view text, char separator) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '-')
        digits.remove_prefix(1);
    if (digits.empty() || digits.front() < '0' || digits.front() > '9')
        return std::nullopt;
    int separators = 0;
    for (const char c : digits) {
        if (c == separator || c == ',')
            ++separators;
        else if (c < '0' || c > '9')
            return std::nullopt;
    }
    const bool leadingZero = digits.size() > 1 && digits[0] == '0' && digits[1] >= '0' && digits[1] <= '9';
    const bool trailingSeparator = digits.back() < '0' || digits.back() > '9';
    // A double holds 15 significant digits exactly; a longer start number or code would come back
    // changed ("1234567890123456789" as ...800), so it stays a text.
    const std::size_t significant =
        digits.size() - static_cast<std::size_t>(separators) - (digits.size() > 1 && digits[0] == '0' ? 1 : 0);
    if (separators > 1 || leadingZero || trailingSeparator || significant > 15)
        return std::nullopt;
    return ParseDecimal(text, separator);
}

#if !CANIPARC_OFFICE
SpreadsheetResult BuildSpreadsheet(const ProtocolTable&, const Settings&, const std::string&) {
    return {{}, std::string(OfficeMissing)};
}
#else
SpreadsheetResult BuildSpreadsheet(const ProtocolTable& table, const Settings& settings, const std::string& tmpFolder) {
    if (const std::string cell = TooLongCell(table, ShownColumns(settings)); !cell.empty())
        return {{},
                "Die Zelle " + cell +
                    " ist länger als 32767 Zeichen; so viel nimmt keine Tabellenzelle auf. Bitte "
                    "den Text im Protokoll kürzen."};
    const std::filesystem::path path = TemporaryXlsx(tmpFolder);
    if (path.empty())
        return {{}, "Die Tabelle konnte nicht angelegt werden (kein Platz für eine temporäre Datei)."};
    std::string tmp = path.parent_path().string();
    lxw_workbook_options options{};
    options.tmpdir = tmp.data();
    options.constant_memory = LXW_TRUE; // rows go out as they are written, strings inline
    lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
    if (!book) {
        ReadAndRemove(path);
        return {{}, "Die Tabelle konnte nicht angelegt werden."};
    }
    const std::string sheetName = ValidSheetName(settings.ProgramTitle);
    lxw_worksheet* sheet = workbook_add_worksheet(book, sheetName.c_str());
    if (!sheet)
        sheet = workbook_add_worksheet(book, nullptr);
    worksheet_set_landscape(sheet);
    const Formats formats = MakeFormats(book);
    lxw_error error = WriteCells(sheet, formats, table, settings);

    std::string title = XmlSafeText(settings.Title), subject = XmlSafeText(settings.Title2),
                comments = XmlSafeText(settings.Title3);
    std::string author = "Kronolux Software";
    lxw_doc_properties properties{};
    properties.title = title.data();
    properties.subject = subject.data();
    properties.author = author.data();
    properties.comments = comments.data();
    workbook_set_properties(book, &properties);

    const lxw_error closed = workbook_close(book);
    std::string bytes = ReadAndRemove(path);
    if (error == LXW_NO_ERROR)
        error = closed;
    if (error != LXW_NO_ERROR)
        return {{},
                "Die Tabelle konnte nicht geschrieben werden (Fehler " + std::to_string(static_cast<int>(error)) +
                    " der Tabellenbibliothek)."};
    return {std::move(bytes), {}};
}

#endif

} // namespace caniparc
