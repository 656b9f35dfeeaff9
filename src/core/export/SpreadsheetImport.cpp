// Reading the first sheet of a spreadsheet file (see SpreadsheetImport.h). The XML parts are read
// with the pull reader, so neither their depth nor their number of elements costs more than a
// pass over their bytes.
#include "export/SpreadsheetImport.h"

#include "export/SheetBuilder.h"
#include "export/XlsImport.h"
#include "export/XmlPull.h"
#include "export/ZipArchive.h"
#include "protocol/ProtocolFile.h"
#include "protocol/Ranking.h"
#include "protocol/Scoring.h"
#include "settings/FileAccess.h"
#include "settings/Settings.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <utility>

namespace caniparc {
namespace {

#if CANIPARC_OFFICE

using Event = XmlPull::Event;

std::optional<double> ParseXmlNumber(std::string_view text) {
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<std::size_t> ParseIndex(std::string_view text) {
    std::size_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

// A failed pull read as the reader's answer.
std::string PullError(const XmlPull& xml, const SheetMessages& say) {
    return xml.TooDeep() ? say.TooDeep() : xml.TooLong() ? say.TooMuch() : say.Damaged();
}

// --- .xlsx ---------------------------------------------------------------------------------

// How a number format shows a number: only its letters of date and time count, outside quoted
// texts, escaped characters and bracketed colours or locales ([h], [mm], [ss] are elapsed time).
NumberKind KindOfFormatCode(std::string_view code) {
    bool date = false, time = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = static_cast<char>(code[i] | 0x20);
        if (code[i] == ';')
            break; // the first section is the one for positive numbers
        if (code[i] == '"') {
            const std::size_t close = code.find('"', i + 1);
            i = close == std::string_view::npos ? code.size() : close;
        } else if (code[i] == '\\' || code[i] == '_' || code[i] == '*') {
            ++i;
        } else if (code[i] == '[') {
            const std::size_t close = code.find(']', i + 1);
            const std::string_view inside = code.substr(i + 1, close == std::string_view::npos ? 0 : close - i - 1);
            time = time || (!inside.empty() && inside.find_first_not_of("hHmMsS") == std::string_view::npos);
            i = close == std::string_view::npos ? code.size() : close;
        } else if (c == 'y' || c == 'd' || c == 'j' || c == 't') { // t, j: German day and year letters
            date = true;
        } else if (c == 'h' || c == 's') {
            time = true;
        } else if (c == 'm' && !time) {
            date = date || code.find_first_of("hHsS") == std::string_view::npos;
        }
    }
    if (date)
        return time ? NumberKind::DateTime : NumberKind::Date;
    return time ? NumberKind::Duration : NumberKind::Plain;
}

NumberKind KindOfBuiltinFormat(int id) {
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || (id >= 34 && id <= 36) || (id >= 50 && id <= 58))
        return NumberKind::Date;
    if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47) || id == 32 || id == 33)
        return NumberKind::Duration;
    return id == 22 ? NumberKind::DateTime : NumberKind::Plain;
}

struct Workbook {
    std::string sheetPath;
    bool from1904 = false;
};

// Elements any part may have besides those of its rows: styles, columns, settings.
constexpr std::size_t kBaseElements = 1'000'000;
// Elements a row of the protocol's columns may bring: its cells, their values and runs of text.
constexpr std::size_t kElementsPerRow = kSheetColumns * 64;

// Until the element that ends the reading (or the end); the error text, empty on success.
// `allowance` says how many elements the part may have by now: a part of millions of elements
// that bring no rows is refused after a second's fraction.
template <typename OnEvent, typename Allowance>
std::string Pull(std::string_view bytes, const SheetMessages& say, OnEvent&& onEvent, Allowance&& allowance) {
    XmlPull xml(bytes);
    for (Event e = xml.Next(); e != Event::Done; e = xml.Next()) {
        if (e == Event::Error)
            return PullError(xml, say);
        if (xml.Elements() > allowance())
            return say.TooMuch();
        if (!onEvent(e, xml))
            break;
    }
    return {};
}

template <typename OnEvent> std::string Pull(std::string_view bytes, const SheetMessages& say, OnEvent&& onEvent) {
    return Pull(bytes, say, std::forward<OnEvent>(onEvent), [] { return kBaseElements; });
}

std::string ReadWorkbook(const ZipReader& zip, const SheetMessages& say, Workbook& book) {
    std::string workbook, rels;
    if (zip.Read("xl/workbook.xml", workbook) != ZipError::None)
        return {};
    std::string id;
    std::string error = Pull(workbook, say, [&](Event e, const XmlPull& xml) {
        if (e == Event::Start && xml.Name() == "workbookPr")
            book.from1904 = xml.Attribute("date1904") == "1" || xml.Attribute("date1904") == "true";
        if (e == Event::Start && xml.Name() == "sheet" && id.empty())
            id = xml.Attribute("id");
        return true;
    });
    if (!error.empty() || id.empty() || zip.Read("xl/_rels/workbook.xml.rels", rels) != ZipError::None)
        return error;
    return Pull(rels, say, [&](Event e, const XmlPull& xml) {
        if (e != Event::Start || xml.Name() != "Relationship" || xml.Attribute("Id") != id)
            return true;
        const std::string target = xml.Attribute("Target");
        book.sheetPath = target.starts_with('/') ? target.substr(1) : "xl/" + target;
        return false;
    });
}

// The kind of number each cell style (the cell's "s") shows.
std::string ReadStyles(const ZipReader& zip, const SheetMessages& say, std::vector<NumberKind>& kinds) {
    std::string styles;
    if (const ZipError error = zip.Read("xl/styles.xml", styles); error != ZipError::None)
        return error == ZipError::NoSuchPart ? std::string() : say.Damaged();
    std::map<int, NumberKind> formats;
    bool inCellXfs = false;
    return Pull(styles, say, [&](Event e, const XmlPull& xml) {
        if (xml.Name() == "cellXfs")
            inCellXfs = e == Event::Start;
        if (e != Event::Start)
            return true;
        if (xml.Name() == "numFmt") {
            const auto id = ParseIndex(xml.Attribute("numFmtId"));
            if (id && *id < 100000)
                formats[static_cast<int>(*id)] = KindOfFormatCode(xml.Attribute("formatCode"));
        } else if (xml.Name() == "xf" && inCellXfs) {
            const auto id = ParseIndex(xml.Attribute("numFmtId")).value_or(0);
            const auto custom = formats.find(static_cast<int>(std::min<std::size_t>(id, 100000)));
            kinds.push_back(custom != formats.end() ? custom->second : KindOfBuiltinFormat(static_cast<int>(id)));
        }
        return kinds.size() <= MaxImportRows; // no sheet has more styles than a class has rows
    });
}

// Shared strings in one buffer: a part of millions of empty strings costs 8 bytes each, and
// there can be no more of them than the cells of the rows a class may have.
struct SharedStrings {
    std::string text;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> spans; // offset and length in text
    std::string_view At(std::size_t i) const { return std::string_view(text).substr(spans[i].first, spans[i].second); }
};

constexpr std::size_t kMaxSharedStrings = (MaxImportRows + 1) * kSheetColumns;
constexpr std::size_t kMaxSharedText = kMaxSheetTextBytes / 2;

// The texts of the <t> elements inside `outer` (<si> or <is>), phonetic runs left out.
class TextCollector {
public:
    explicit TextCollector(std::string_view outer) : outer_(outer) {}
    // True while inside `outer`; `out` gets the text.
    void Feed(Event e, const XmlPull& xml, std::string& out) {
        if (e == Event::Start || e == Event::End) {
            const bool start = e == Event::Start;
            if (xml.Name() == outer_)
                inside_ = start;
            else if (xml.Name() == "rPh")
                phonetic_ = start;
            else if (xml.Name() == "t")
                inText_ = start && inside_ && !phonetic_;
        } else if (e == Event::Text && inText_) {
            out += xml.Text();
        }
    }
    bool Inside() const { return inside_; }

private:
    std::string_view outer_;
    bool inside_ = false, phonetic_ = false, inText_ = false;
};

std::string ReadSharedStrings(const ZipReader& zip, const SheetMessages& say, SharedStrings& shared) {
    std::string part;
    if (const ZipError error = zip.Read("xl/sharedStrings.xml", part); error != ZipError::None)
        return error == ZipError::NoSuchPart ? std::string() : say.Of(error);
    TextCollector collect("si");
    std::string tooMuch;
    const auto allowance = [&] { return kBaseElements + shared.spans.size() * 64; };
    std::string error = Pull(
        part, say,
        [&](Event e, const XmlPull& xml) {
            if (e == Event::Start && xml.Name() == "si")
                shared.spans.emplace_back(static_cast<std::uint32_t>(shared.text.size()), 0);
            collect.Feed(e, xml, shared.text);
            if (e == Event::End && xml.Name() == "si")
                shared.spans.back().second = static_cast<std::uint32_t>(shared.text.size() - shared.spans.back().first);
            if (shared.spans.size() > kMaxSharedStrings || shared.text.size() > kMaxSharedText)
                tooMuch = say.TooMuch();
            return tooMuch.empty();
        },
        allowance);
    return error.empty() ? tooMuch : error;
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

// One <c> element while it is read.
struct XlsxCell {
    int col = 0;
    std::size_t row = 0;
    std::string type;
    std::size_t style = 0;
    bool formula = false;
    bool hasValue = false;
    std::string value;
    std::string inlineText;
};

class XlsxSheetReader {
public:
    XlsxSheetReader(SheetBuilder& builder, const SheetMessages& say, const SharedStrings& shared,
                    const std::vector<NumberKind>& kinds, bool from1904)
        : builder_(builder), say_(say), shared_(shared), kinds_(kinds), from1904_(from1904) {}

    // False to stop: the rows ended, or error_ says why.
    bool Feed(Event e, XmlPull& xml) {
        const std::string_view name = xml.Name();
        if (e == Event::Text) {
            if (inValue_)
                cell_.value += xml.Text();
            inlineText_.Feed(e, xml, cell_.inlineText);
            return true;
        }
        const bool start = e == Event::Start;
        inlineText_.Feed(e, xml, cell_.inlineText);
        if (name == "row")
            return start ? StartRow(xml) : EndRow();
        if (name == "c" && inRow_)
            return start ? StartCell(xml) : EndCell(xml);
        if (inCell_ && name == "v") {
            inValue_ = start;
            cell_.hasValue = true;
        } else if (inCell_ && name == "f") {
            cell_.formula = true;
        }
        return true;
    }

    std::string error;

private:
    bool StartRow(const XmlPull& xml) {
        index_ = nextRow_;
        if (xml.HasAttribute("r")) {
            const auto r = ParseIndex(xml.Attribute("r"));
            if (!r || *r == 0)
                return Fail(say_.Damaged());
            index_ = *r - 1;
        }
        nextCol_ = 0;
        inRow_ = true;
        return builder_.StartRow(index_);
    }
    bool EndRow() {
        inRow_ = false;
        nextRow_ = index_ + 1;
        if (!builder_.EndRow())
            return false;
        if (builder_.TooMany())
            return Fail(say_.TooMany());
        return !builder_.TooMuchText() || Fail(say_.TooMuch());
    }
    bool StartCell(XmlPull& xml) {
        cell_ = XlsxCell{};
        cell_.col = nextCol_;
        cell_.row = index_;
        if (xml.HasAttribute("r") && !ParseCellRef(xml.Attribute("r"), cell_.col, cell_.row))
            return Fail(say_.Damaged());
        cell_.type = xml.Attribute("t");
        cell_.style = ParseIndex(xml.Attribute("s")).value_or(0);
        nextCol_ = cell_.col + 1;
        inCell_ = true;
        if (cell_.col >= kSheetColumns)
            xml.SkipContent();
        return true;
    }
    bool EndCell(XmlPull& xml) {
        inCell_ = inValue_ = false;
        if (cell_.col >= kSheetColumns) {
            xml.SkipContent(); // the rest of the row
            return true;
        }
        const std::string& type = cell_.type;
        if (type == "inlineStr") {
            builder_.Cell(cell_.col, cell_.inlineText);
        } else if (cell_.formula && !cell_.hasValue) {
            return Fail(say_.NoValue(cell_.col, cell_.row));
        } else if (type == "s") {
            const auto at = ParseIndex(cell_.value);
            if (!at || *at >= shared_.spans.size())
                return Fail(say_.Damaged());
            builder_.Cell(cell_.col, shared_.At(*at));
        } else if (type.empty() || type == "n") {
            return Number();
        } else {
            builder_.Cell(cell_.col, cell_.value);
        }
        return true;
    }
    bool Number() {
        if (cell_.value.empty())
            return true;
        const auto number = ParseXmlNumber(cell_.value);
        if (!number)
            return Fail(say_.Damaged());
        const NumberKind kind = cell_.style < kinds_.size() ? kinds_[cell_.style] : NumberKind::Plain;
        builder_.Number(cell_.col, *number, kind, from1904_);
        return true;
    }
    bool Fail(std::string message) {
        error = std::move(message);
        return false;
    }

    SheetBuilder& builder_;
    const SheetMessages& say_;
    const SharedStrings& shared_;
    const std::vector<NumberKind>& kinds_;
    const bool from1904_;
    TextCollector inlineText_{"is"};
    XlsxCell cell_;
    std::size_t nextRow_ = 0, index_ = 0;
    int nextCol_ = 0;
    bool inRow_ = false, inCell_ = false, inValue_ = false;
};

SheetImport ReadXlsx(const ZipReader& zip, const Settings& settings, const SheetMessages& say) {
    Workbook book;
    if (std::string error = ReadWorkbook(zip, say, book); !error.empty())
        return {{}, error};
    if (book.sheetPath.empty())
        book.sheetPath = "xl/worksheets/sheet1.xml";
    std::vector<NumberKind> kinds;
    SharedStrings shared;
    if (std::string error = ReadStyles(zip, say, kinds); !error.empty())
        return {{}, error};
    if (std::string error = ReadSharedStrings(zip, say, shared); !error.empty())
        return {{}, error};
    std::string sheetXml;
    if (const ZipError error = zip.Read(book.sheetPath, sheetXml); error != ZipError::None)
        return {{}, say.Of(error)};
    SheetBuilder builder(settings);
    XlsxSheetReader reader(builder, say, shared, kinds, book.from1904);
    std::string error = Pull(
        sheetXml, say, [&](Event e, XmlPull& xml) { return reader.Feed(e, xml); },
        [&] { return kBaseElements + builder.Rows() * kElementsPerRow; });
    if (error.empty())
        error = reader.error;
    if (!error.empty())
        return {{}, error};
    return {builder.Finish(), {}};
}

// --- .ods ----------------------------------------------------------------------------------

// "PT00H01M02.07S" (also with days, "P1DT2H") in seconds; nullopt for anything else.
std::optional<double> IsoDurationSeconds(std::string_view text) {
    const bool negative = text.starts_with('-');
    if (negative)
        text.remove_prefix(1);
    if (!text.starts_with('P'))
        return std::nullopt;
    double seconds = 0;
    bool inTime = false;
    for (std::size_t i = 1; i < text.size();) {
        if (text[i] == 'T') {
            inTime = true;
            ++i;
            continue;
        }
        double value = 0;
        const auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
        if (result.ec != std::errc() || result.ptr == text.data() + text.size())
            return std::nullopt;
        const char unit = *result.ptr;
        const double factor = unit == 'D' && !inTime ? 86400 : unit == 'H' ? 3600 : unit == 'M' && inTime ? 60 : 1;
        if (!(unit == 'D' || unit == 'H' || unit == 'M' || unit == 'S') || (unit == 'S' && !inTime))
            return std::nullopt;
        seconds += value * factor;
        i = static_cast<std::size_t>(result.ptr - text.data()) + 1;
    }
    return negative ? -seconds : seconds;
}

// "2026-03-15" or "2026-03-15T14:30:00" as the day count of the 1900 system.
std::optional<std::pair<double, bool>> IsoDateSerial(std::string_view text) {
    int y = 0;
    unsigned m = 0, d = 0, hh = 0, mm = 0;
    if (text.size() < 10 || std::sscanf(std::string(text.substr(0, 10)).c_str(), "%d-%u-%u", &y, &m, &d) != 3 ||
        m < 1 || m > 12 || d < 1 || d > 31 || y < 1 || y > 9999)
        return std::nullopt;
    const bool withTime = text.size() >= 16 && text[10] == 'T' &&
                          std::sscanf(std::string(text.substr(11, 5)).c_str(), "%u:%u", &hh, &mm) == 2;
    // Days from 1970-01-01 (H. Hinnant's algorithm), then to the spreadsheets' 1899-12-30.
    y -= m <= 2 ? 1 : 0;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const double days = era * 146097.0 + doe - 719468 + 25569;
    return std::pair{days + (withTime ? (hh * 60 + mm) / 1440.0 : 0), withTime && (hh || mm)};
}

struct OdsCell {
    std::size_t repeat = 1;
    std::optional<double> number;
    NumberKind kind = NumberKind::Plain;
    std::string text;
    int paragraphs = 0;
};

class OdsReader {
public:
    OdsReader(SheetBuilder& builder, const SheetMessages& say) : builder_(builder), say_(say) {}

    // False to stop: the first table ended, the rows ended, or error says why.
    bool Feed(Event e, XmlPull& xml) {
        const std::string_view name = xml.Name();
        if (tableDepth_ == 0) {
            if (e == Event::Start && name == "table" && !inTable_) {
                tableDepth_ = xml.Depth();
                inTable_ = true;
            }
            return true;
        }
        if (e == Event::End && name == "table" && xml.Depth() + 1 == tableDepth_)
            return false; // only the first sheet
        if (cellDepth_ > 0)
            return FeedCell(e, xml);
        if (e == Event::Start && name == "table-row" && rowDepth_ == 0) {
            StartRow(xml);
        } else if (e == Event::End && name == "table-row" && rowDepth_ == xml.Depth() + 1) {
            rowDepth_ = 0;
            return EndRow();
        } else if (e == Event::Start && rowDepth_ > 0 && (name == "table-cell" || name == "covered-table-cell")) {
            if (col_ >= kSheetColumns)
                xml.SkipContent(); // beyond the protocol's columns
            else
                StartCell(xml);
        } else if (e == Event::End && rowDepth_ > 0 && col_ >= kSheetColumns &&
                   (name == "table-cell" || name == "covered-table-cell")) {
            xml.SkipContent(); // the rest of the row
        }
        return true;
    }

    std::string error;

private:
    void StartRow(const XmlPull& xml) {
        rowDepth_ = xml.Depth();
        rowRepeat_ = std::max<std::size_t>(1, ParseCount(xml.Attribute("number-rows-repeated")));
        col_ = 0;
        any_ = false;
        cells_ = {};
        numbers_ = {};
    }
    void StartCell(const XmlPull& xml) {
        cellDepth_ = xml.Depth();
        cell_ = OdsCell{};
        cell_.repeat = std::max<std::size_t>(1, ParseCount(xml.Attribute("number-columns-repeated")));
        const std::string type = xml.Attribute("value-type");
        if (type == "float" || type == "percentage" || type == "currency") {
            cell_.number = ParseXmlNumber(xml.Attribute("value"));
        } else if (type == "time") {
            cell_.number = IsoDurationSeconds(xml.Attribute("time-value"));
            if (cell_.number)
                *cell_.number /= 86400;
            cell_.kind = NumberKind::Duration;
        } else if (type == "date") {
            if (const auto serial = IsoDateSerial(xml.Attribute("date-value"))) {
                cell_.number = serial->first;
                cell_.kind = serial->second ? NumberKind::DateTime : NumberKind::Date;
            }
        }
    }
    // The text of the cell's own paragraphs; notes and other content left out.
    bool FeedCell(Event e, const XmlPull& xml) {
        const std::string_view name = xml.Name();
        const int depth = xml.Depth();
        if (e == Event::End && depth + 1 == cellDepth_) {
            cellDepth_ = 0;
            EndCell();
            return true;
        }
        if (e == Event::Start && depth == cellDepth_ + 1 && name == "p") {
            if (cell_.paragraphs++ > 0)
                cell_.text += '\n';
            paragraphDepth_ = depth;
        } else if (e == Event::End && depth + 1 == paragraphDepth_) {
            paragraphDepth_ = 0;
        } else if (paragraphDepth_ > 0 && e == Event::Text) {
            cell_.text += xml.Text();
        } else if (paragraphDepth_ > 0 && e == Event::Start) {
            if (name == "s")
                cell_.text.append(std::min<std::size_t>(std::max<std::size_t>(1, ParseCount(xml.Attribute("c"))), 1000),
                                  ' ');
            else if (name == "tab")
                cell_.text += '\t';
            else if (name == "line-break")
                cell_.text += '\n';
        }
        return true;
    }
    void EndCell() {
        for (std::size_t k = 0; k < cell_.repeat && col_ < kSheetColumns; ++k, ++col_) {
            const auto c = static_cast<std::size_t>(col_);
            if (cell_.number)
                numbers_[c] = std::pair{*cell_.number, cell_.kind};
            else if (!cell_.text.empty())
                cells_[c] = cell_.text;
            any_ = any_ || cell_.number || !cell_.text.empty();
        }
    }
    bool EndRow() {
        if (!any_)
            return false; // an empty first cell ends the rows
        for (std::size_t k = 0; k < rowRepeat_; ++k) {
            if (!builder_.StartRow(nextRow_++))
                return false;
            for (int col = 0; col < kSheetColumns; ++col) {
                const auto c = static_cast<std::size_t>(col);
                if (numbers_[c])
                    builder_.Number(col, numbers_[c]->first, numbers_[c]->second);
                else if (cells_[c])
                    builder_.Cell(col, *cells_[c]);
            }
            if (!builder_.EndRow())
                return false;
            if (builder_.TooMany())
                return Fail(say_.TooMany());
            if (builder_.TooMuchText())
                return Fail(say_.TooMuch());
        }
        return true;
    }
    static std::size_t ParseCount(const std::string& text) {
        return std::min<std::size_t>(ParseIndex(text).value_or(1), 1u << 30);
    }
    bool Fail(std::string message) {
        error = std::move(message);
        return false;
    }

    SheetBuilder& builder_;
    const SheetMessages& say_;
    bool inTable_ = false;
    int tableDepth_ = 0, rowDepth_ = 0, cellDepth_ = 0, paragraphDepth_ = 0;
    std::size_t rowRepeat_ = 1, nextRow_ = 0;
    int col_ = 0;
    bool any_ = false;
    OdsCell cell_;
    std::array<std::optional<std::string>, kSheetColumns> cells_;
    std::array<std::optional<std::pair<double, NumberKind>>, kSheetColumns> numbers_;
};

SheetImport ReadOds(const ZipReader& zip, const Settings& settings, const SheetMessages& say) {
    std::string contentXml;
    if (const ZipError error = zip.Read("content.xml", contentXml); error != ZipError::None)
        return {{}, say.Of(error)};
    SheetBuilder builder(settings);
    OdsReader reader(builder, say);
    bool sawTable = false;
    std::string error = Pull(
        contentXml, say,
        [&](Event e, XmlPull& xml) {
            sawTable = sawTable || (e == Event::Start && xml.Name() == "table");
            return reader.Feed(e, xml);
        },
        [&] { return kBaseElements + builder.Rows() * kElementsPerRow; });
    if (error.empty())
        error = reader.error;
    if (error.empty() && !sawTable)
        error = say.NoSheet();
    if (!error.empty())
        return {{}, error};
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
    const SheetMessages say{name};
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
        return ReadXls(path, bytes, settings, SheetMessages{path});
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
