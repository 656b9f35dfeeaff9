// Reading the first sheet of a spreadsheet file (see SpreadsheetImport.h).
#include "export/SpreadsheetImport.h"

#include "common/NumberText.h"
#include "export/ZipArchive.h"
#include "protocol/ProtocolFile.h"
#include "protocol/Ranking.h"
#include "protocol/Scoring.h"
#include "settings/FileAccess.h"
#include "settings/Settings.h"

#if CANIPARC_OFFICE
#include <freexl.h>
#include <pugixml.hpp>
#endif

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <iterator>
#include <map>
#include <optional>

namespace caniparc {
namespace {

#if CANIPARC_OFFICE

constexpr int kSheetColumns = ColPlace + 1;

// Collects the cells row by row and ends the rows at the first empty first cell.
class SheetBuilder {
public:
    explicit SheetBuilder(const Settings& settings) : settings_(settings) {}

    // False once the rows have ended, so the reader can stop.
    bool StartRow(std::size_t index) {
        if (ended_ || index != rows_.size()) { // a missing row is an empty one
            ended_ = true;
            return false;
        }
        rows_.emplace_back();
        return true;
    }
    void Cell(int col, std::string text) {
        if (col < kSheetColumns && !rows_.empty())
            rows_.back()[static_cast<std::size_t>(col)] = std::move(text);
    }
    void Number(int col, double value) { Cell(col, NumberText(value)); }
    // Ends the rows when the row just read has no first cell; false then.
    bool EndRow() {
        if (!rows_.empty() && rows_.back()[ColStartNr].empty()) {
            rows_.pop_back();
            ended_ = true;
        }
        return !ended_;
    }
    bool TooMany() const { return rows_.size() > MaxImportRows; }
    // Growing row by row moved every row's cells again at each doubling.
    void Reserve(std::size_t rows) { rows_.reserve(std::min(rows, MaxImportRows + 1)); }

    std::vector<ProtocolTable::Row> Finish() {
        for (ProtocolTable::Row& row : rows_) {
            for (const int col : ImportNumberColumns) {
                std::string& cell = row[static_cast<std::size_t>(col)];
                if (const auto value = ParseDecimal(cell, settings_.DecimalSeparator))
                    cell = FormatFixed(*value, settings_.TimeFormatIndex == 0 ? 1 : 2, settings_.DecimalSeparator);
            }
        }
        return std::move(rows_);
    }

private:
    // A number as a spreadsheet shows it converted to text: shortest form, locale separator.
    std::string NumberText(double value) const {
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        std::string text(buffer, result.ptr);
        if (const std::size_t dot = text.find('.'); dot != std::string::npos)
            text[dot] = settings_.DecimalSeparator;
        return text;
    }

    const Settings& settings_;
    std::vector<ProtocolTable::Row> rows_;
    bool ended_ = false;
};

std::string_view LocalName(const char* name) {
    const std::string_view full(name);
    const std::size_t colon = full.find(':');
    return colon == std::string_view::npos ? full : full.substr(colon + 1);
}

pugi::xml_attribute AttributeNamed(const pugi::xml_node& node, std::string_view local) {
    for (pugi::xml_attribute a : node.attributes())
        if (LocalName(a.name()) == local)
            return a;
    return {};
}

pugi::xml_node ChildNamed(const pugi::xml_node& node, std::string_view local) {
    for (pugi::xml_node child : node.children())
        if (LocalName(child.name()) == local)
            return child;
    return {};
}

std::optional<double> ParseXmlNumber(const char* text) {
    double value = 0;
    const char* end = text + std::strlen(text);
    const auto result = std::from_chars(text, end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

struct Messages {
    std::string name;
    std::string NotASheet() const { return "Die Datei " + name + " ist keine Tabelle (xlsx, ods oder xls)."; }
    std::string Damaged() const { return "Die Tabelle " + name + " ist beschädigt."; }
    std::string TooLarge() const { return "Ein Teil der Tabelle " + name + " ist entpackt größer als 64 MiB."; }
    std::string NoSheet() const { return "Die Tabelle " + name + " enthält kein Tabellenblatt."; }
    std::string TooMany() const {
        return "Die Tabelle " + name + " hat mehr als " + std::to_string(MaxImportRows) + " Zeilen.";
    }
    std::string Of(ZipError error) const {
        return error == ZipError::PartTooLarge ? TooLarge() : error == ZipError::NoSuchPart ? NoSheet() : Damaged();
    }
};

// Parses in place: a sheet's part runs to megabytes, and a copy of it doubled the reading time.
// The bytes must outlive the document.
bool LoadXml(pugi::xml_document& doc, std::string& bytes) {
    return static_cast<bool>(
        doc.load_buffer_inplace(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_ws_pcdata));
}

// --- .xlsx ---------------------------------------------------------------------------------

std::string AllText(const pugi::xml_node& node) {
    std::string text;
    for (pugi::xml_node t : node.children()) {
        const std::string_view local = LocalName(t.name());
        if (local == "t")
            text += t.child_value();
        else if (local == "r")
            text += AllText(t);
    }
    return text;
}

std::string FirstSheetPath(const ZipReader& zip) {
    std::string workbook, rels;
    pugi::xml_document book, links;
    if (zip.Read("xl/workbook.xml", workbook) != ZipError::None || !LoadXml(book, workbook))
        return {};
    const pugi::xml_node sheet = ChildNamed(ChildNamed(book.document_element(), "sheets"), "sheet");
    const std::string id = AttributeNamed(sheet, "id").value();
    if (id.empty() || zip.Read("xl/_rels/workbook.xml.rels", rels) != ZipError::None || !LoadXml(links, rels))
        return {};
    for (pugi::xml_node link : links.document_element().children()) {
        if (std::string(link.attribute("Id").value()) != id)
            continue;
        const std::string target = link.attribute("Target").value();
        return target.starts_with('/') ? target.substr(1) : "xl/" + target;
    }
    return {};
}

// "BC12" to column 54 (0-based) and row 11; false for anything else.
bool ParseCellRef(std::string_view ref, int& col, std::size_t& row) {
    std::size_t i = 0;
    long long c = 0;
    for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z' && c < 100000; ++i)
        c = c * 26 + (ref[i] - 'A' + 1);
    std::size_t r = 0;
    const auto result = std::from_chars(ref.data() + i, ref.data() + ref.size(), r);
    if (i == 0 || c >= 100000 || result.ec != std::errc() || result.ptr != ref.data() + ref.size() || r == 0)
        return false;
    col = static_cast<int>(c - 1);
    row = r - 1;
    return true;
}

SheetImport ReadXlsx(const ZipReader& zip, const Settings& settings, const Messages& say) {
    std::string sheetPath = FirstSheetPath(zip);
    if (sheetPath.empty())
        sheetPath = "xl/worksheets/sheet1.xml";
    std::string sheetXml, stringsXml;
    if (const ZipError error = zip.Read(sheetPath, sheetXml); error != ZipError::None)
        return {{}, say.Of(error)};
    std::vector<std::string> shared;
    if (const ZipError error = zip.Read("xl/sharedStrings.xml", stringsXml); error == ZipError::None) {
        pugi::xml_document strings;
        if (!LoadXml(strings, stringsXml))
            return {{}, say.Damaged()};
        for (pugi::xml_node si : strings.document_element().children())
            shared.push_back(AllText(si));
    } else if (error != ZipError::NoSuchPart) {
        return {{}, say.Of(error)};
    }
    pugi::xml_document sheet;
    if (!LoadXml(sheet, sheetXml))
        return {{}, say.Damaged()};
    SheetBuilder builder(settings);
    const pugi::xml_node sheetData = ChildNamed(sheet.document_element(), "sheetData");
    builder.Reserve(static_cast<std::size_t>(std::distance(sheetData.begin(), sheetData.end())));
    std::size_t nextRow = 0;
    for (pugi::xml_node row : sheetData.children()) {
        std::size_t index = nextRow;
        if (const char* r = AttributeNamed(row, "r").value(); *r) {
            if (std::from_chars(r, r + std::strlen(r), index).ec != std::errc() || index == 0)
                return {{}, say.Damaged()};
            --index;
        }
        if (!builder.StartRow(index))
            break;
        int nextCol = 0;
        for (pugi::xml_node c : row.children()) {
            int col = nextCol;
            std::size_t cellRow = index;
            if (const char* ref = AttributeNamed(c, "r").value(); *ref && !ParseCellRef(ref, col, cellRow))
                return {{}, say.Damaged()};
            nextCol = col + 1;
            const std::string type = AttributeNamed(c, "t").value();
            const char* value = ChildNamed(c, "v").child_value();
            if (type == "s") {
                std::size_t at = 0;
                if (std::from_chars(value, value + std::strlen(value), at).ec != std::errc() || at >= shared.size())
                    return {{}, say.Damaged()};
                builder.Cell(col, shared[at]);
            } else if (type == "inlineStr") {
                builder.Cell(col, AllText(ChildNamed(c, "is")));
            } else if (type.empty() || type == "n") {
                if (*value) {
                    const auto number = ParseXmlNumber(value);
                    if (!number)
                        return {{}, say.Damaged()};
                    builder.Number(col, *number);
                }
            } else {
                builder.Cell(col, value);
            }
        }
        if (!builder.EndRow())
            break;
        nextRow = index + 1;
        if (builder.TooMany())
            return {{}, say.TooMany()};
    }
    return {builder.Finish(), {}};
}

// --- .ods ----------------------------------------------------------------------------------

std::string ParagraphText(const pugi::xml_node& node) {
    std::string text;
    for (pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            text += child.value();
            continue;
        }
        const std::string_view local = LocalName(child.name());
        if (local == "s")
            text.append(std::min<std::size_t>(AttributeNamed(child, "c").as_uint(1), 1000), ' ');
        else if (local == "tab")
            text += '\t';
        else if (local == "line-break")
            text += '\n';
        else
            text += ParagraphText(child);
    }
    return text;
}

std::string CellText(const pugi::xml_node& cell) {
    std::string text;
    for (pugi::xml_node p : cell.children()) {
        if (LocalName(p.name()) != "p")
            continue;
        if (!text.empty())
            text += '\n';
        text += ParagraphText(p);
    }
    return text;
}

struct OdsReader {
    SheetBuilder& builder;
    const Messages& say;
    std::size_t nextRow = 0;
    bool ended = false;
    std::string error;

    // A row's cells; false when the row holds nothing in the protocol's columns.
    bool ReadCells(const pugi::xml_node& row, std::array<std::optional<std::string>, kSheetColumns>& cells,
                   std::array<std::optional<double>, kSheetColumns>& numbers) {
        int col = 0;
        bool any = false;
        for (pugi::xml_node cell : row.children()) {
            const std::string_view local = LocalName(cell.name());
            if (local != "table-cell" && local != "covered-table-cell")
                continue;
            const std::size_t repeat = std::max(1u, AttributeNamed(cell, "number-columns-repeated").as_uint(1));
            const std::string type = AttributeNamed(cell, "value-type").value();
            std::optional<double> number;
            if (type == "float" || type == "percentage" || type == "currency")
                number = ParseXmlNumber(AttributeNamed(cell, "value").value());
            const std::string text = CellText(cell);
            for (std::size_t k = 0; k < repeat && col < kSheetColumns; ++k, ++col) {
                if (number)
                    numbers[static_cast<std::size_t>(col)] = number;
                else if (!text.empty())
                    cells[static_cast<std::size_t>(col)] = text;
                any = any || number || !text.empty();
            }
            if (col >= kSheetColumns)
                break;
        }
        return any;
    }

    void Row(const pugi::xml_node& row) {
        std::array<std::optional<std::string>, kSheetColumns> cells;
        std::array<std::optional<double>, kSheetColumns> numbers;
        const bool any = ReadCells(row, cells, numbers);
        const std::size_t repeat = std::max(1u, AttributeNamed(row, "number-rows-repeated").as_uint(1));
        if (!any) {
            ended = true; // an empty first cell ends the rows
            return;
        }
        for (std::size_t k = 0; k < repeat && !ended; ++k) {
            if (!builder.StartRow(nextRow++)) {
                ended = true;
                break;
            }
            for (int col = 0; col < kSheetColumns; ++col) {
                const auto c = static_cast<std::size_t>(col);
                if (numbers[c])
                    builder.Number(col, *numbers[c]);
                else if (cells[c])
                    builder.Cell(col, *cells[c]);
            }
            ended = !builder.EndRow();
            if (builder.TooMany()) {
                error = say.TooMany();
                ended = true;
            }
        }
    }

    void Rows(const pugi::xml_node& parent) {
        for (pugi::xml_node node = parent.first_child(); node && !ended; node = node.next_sibling()) {
            const std::string_view local = LocalName(node.name());
            if (local == "table-row")
                Row(node);
            else if (local == "table-header-rows" || local == "table-rows" || local == "table-row-group")
                Rows(node);
        }
    }
};

SheetImport ReadOds(const ZipReader& zip, const Settings& settings, const Messages& say) {
    std::string contentXml;
    if (const ZipError error = zip.Read("content.xml", contentXml); error != ZipError::None)
        return {{}, say.Of(error)};
    pugi::xml_document content;
    if (!LoadXml(content, contentXml))
        return {{}, say.Damaged()};
    const pugi::xml_node spreadsheet = ChildNamed(ChildNamed(content.document_element(), "body"), "spreadsheet");
    const pugi::xml_node table = ChildNamed(spreadsheet, "table");
    if (!table)
        return {{}, say.NoSheet()};
    SheetBuilder builder(settings);
    OdsReader reader{builder, say, 0, false, {}};
    reader.Rows(table);
    if (!reader.error.empty())
        return {{}, reader.error};
    return {builder.Finish(), {}};
}

// --- .xls ----------------------------------------------------------------------------------

SheetImport ReadXls(const std::string& path, const Settings& settings, const Messages& say) {
    const void* handle = nullptr;
    if (freexl_open(path.c_str(), &handle) != FREEXL_OK) {
        if (handle)
            freexl_close(handle);
        return {{}, say.Damaged()};
    }
    SheetImport result;
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_select_active_worksheet(handle, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle, &rows, &cols) != FREEXL_OK) {
        freexl_close(handle);
        return {{}, say.NoSheet()};
    }
    SheetBuilder builder(settings);
    for (unsigned int r = 0; r < rows && builder.StartRow(r); ++r) {
        for (unsigned short c = 0; c < std::min<unsigned short>(cols, kSheetColumns); ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(handle, r, c, &cell) != FREEXL_OK)
                continue;
            if (cell.type == FREEXL_CELL_INT)
                builder.Number(c, cell.value.int_value);
            else if (cell.type == FREEXL_CELL_DOUBLE)
                builder.Number(c, cell.value.double_value);
            else if (cell.type != FREEXL_CELL_NULL && cell.value.text_value)
                builder.Cell(c, cell.value.text_value);
        }
        if (!builder.EndRow())
            break;
        if (builder.TooMany()) {
            freexl_close(handle);
            return {{}, say.TooMany()};
        }
    }
    freexl_close(handle);
    return {builder.Finish(), {}};
}

constexpr std::string_view kOleMagic = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

#endif

} // namespace

#if !CANIPARC_OFFICE
SheetImport ReadSpreadsheetBytes(std::string_view, const Settings&, const std::string&) {
    return {{}, std::string(OfficeMissing)};
}

SheetImport ReadSpreadsheetFile(const std::string&, const Settings&) {
    return {{}, std::string(OfficeMissing)};
}
#else
SheetImport ReadSpreadsheetBytes(std::string_view bytes, const Settings& settings, const std::string& name) {
    const Messages say{name};
    const ZipReader zip{std::string(bytes)};
    if (!zip.Ok())
        return {{}, bytes.starts_with("PK") ? say.Damaged() : say.NotASheet()};
    const auto names = zip.Names();
    const auto has = [&](std::string_view part) { return std::find(names.begin(), names.end(), part) != names.end(); };
    if (has("xl/workbook.xml"))
        return ReadXlsx(zip, settings, say);
    if (has("content.xml"))
        return ReadOds(zip, settings, say);
    return {{}, say.NotASheet()};
}

SheetImport ReadSpreadsheetFile(const std::string& path, const Settings& settings) {
    std::string bytes;
    if (const FileResult read = ReadWholeFile(path, MaxZipPartBytes, bytes); !read.Ok())
        return {{}, DescribeFileResult(read)};
    if (bytes.starts_with(kOleMagic))
        return ReadXls(path, settings, Messages{path});
    return ReadSpreadsheetBytes(bytes, settings, path);
}
#endif

StartListSelection LoadImportedRows(std::vector<ProtocolTable::Row> rows, ProtocolTable& table,
                                    const Settings& settings, SortState& sort, Ranking& ranking) {
    LoadProtocolRows(table, std::move(rows));
    RecalcRow(table, settings, 0);
    RecalcPlaces(table, settings, sort, ranking);
    return SelectStartersAfterLoad(table);
}

} // namespace caniparc
