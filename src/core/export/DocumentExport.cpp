// The .docx export (see DocumentExport.h): WordprocessingML written by hand into a zip.
#include "export/DocumentExport.h"

#include "common/Encoding.h"
#include "export/ExportTable.h"
#include "export/ZipArchive.h"
#include "protocol/ProtocolTable.h"
#include "settings/Settings.h"

#if CANIPARC_OFFICE
#include <pugixml.hpp>
#endif

#include <algorithm>
#include <sstream>
#include <utility>

namespace caniparc {
namespace {

// The template's character widths are taken from the widest default font met: Word's Calibri
// needs about 110, but LibreOffice without it falls back to a wider sans font whose digits broke
// "29,47" in two and whose bold titles ("Rang") broke at 140. Guessing wide only gives a short
// column a little room to spare.

struct TextExtent {
    double line = 0; // the longest text on one line
    double word = 0; // the longest word, up to a space, hyphen or slash
};

// In twentieths of a point, the bold titles wider than the cells.
TextExtent ColumnExtent(const ProtocolTable& table, int col, const DocumentTextMetrics& metrics) {
    TextExtent extent;
    for (int row = 0; row < table.RowCount(); ++row) {
        const double character = row == 0 ? metrics.boldCharacter : metrics.character;
        const std::string& text = table.Cell(col, row);
        extent.line = std::max(extent.line, character * static_cast<double>(CharacterCount(text)));
        std::size_t start = 0;
        for (std::size_t at = 0; at <= text.size(); ++at) {
            if (at < text.size() && text[at] != ' ' && text[at] != '-' && text[at] != '/')
                continue;
            const std::size_t keep = at < text.size() && text[at] != ' ' ? 1 : 0; // "Müller-" stays whole
            const std::string_view word = std::string_view(text).substr(start, at - start + keep);
            extent.word = std::max(extent.word, character * static_cast<double>(CharacterCount(word)));
            start = at + 1;
        }
    }
    return extent;
}

// The width the widest columns are cut down to so that all of them together fill `room`; their
// sum must exceed it.
double WidestCap(std::vector<double> widths, double room) {
    std::sort(widths.begin(), widths.end());
    double narrower = 0;
    for (std::size_t k = 0; k < widths.size(); ++k) {
        const double cap = (room - narrower) / static_cast<double>(widths.size() - k);
        if (cap < widths[k])
            return cap;
        narrower += widths[k];
    }
    return widths.back();
}

// Whole twips adding up to exactly `total`: the largest remainders get the twips lost to
// rounding down.
std::vector<int> RoundToTotal(const std::vector<double>& exact, int total) {
    std::vector<int> widths;
    std::vector<std::pair<double, std::size_t>> remainders;
    int given = 0;
    for (std::size_t k = 0; k < exact.size(); ++k) {
        widths.push_back(static_cast<int>(exact[k]));
        given += widths.back();
        remainders.emplace_back(exact[k] - widths.back(), k);
    }
    std::sort(remainders.begin(), remainders.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    for (std::size_t i = 0; given < total && i < remainders.size(); ++i, ++given)
        ++widths[remainders[i].second];
    return widths;
}

#if CANIPARC_OFFICE

constexpr std::string_view kWordNamespace = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view kDocumentPart = "word/document.xml";
constexpr std::string_view kTemplateType = "wordprocessingml.template.main+xml";
constexpr std::string_view kDocumentType = "wordprocessingml.document.main+xml";

// Text for an XML element or attribute; what XML cannot carry is dropped or replaced.
void AppendXmlText(std::string& out, std::string_view raw) {
    const std::string text = XmlSafeText(raw);
    for (const char c : text) {
        if (const char* entity = MarkupEntity(static_cast<unsigned char>(c)))
            out += entity;
        else if (static_cast<unsigned char>(c) >= 0x20 || c == '\t')
            out += c;
    }
}

std::string XmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendXmlText(out, text);
    return out;
}

// A page's text area and the height the header block above the table takes on the first page,
// in twentieths of a point.
struct PageArea {
    int width = LandscapeTextWidth;
    int height = 11906 - 2 * 1134;
    int header = 0;
};

// The header block: the station's own title (16 points and room below), three lines of 10 points
// (one may wrap) and an empty line; a template's five lines in its own font.
constexpr int kOwnHeaderHeight = 500 + 4 * 250 + 250;
constexpr int kTemplateHeaderHeight = 6 * DocumentTextMetrics{}.lineHeight;

class BodyWriter {
public:
    explicit BodyWriter(std::string_view prefix)
        : open_("<" + std::string(prefix) + ":"), close_("</" + std::string(prefix) + ":"),
          attr_(" " + std::string(prefix) + ":") {}

    // A paragraph, in a style of the document's where given; TABs become tab stops.
    void Paragraph(std::string_view line, bool bold = false, std::string_view style = {}) {
        Tag(open_, "p>");
        if (!style.empty()) {
            Tag(open_, "pPr>");
            Tag(open_, "pStyle");
            Attribute("val", style);
            out_ += "/>";
            Tag(close_, "pPr>");
        }
        std::size_t start = 0;
        while (true) {
            const std::size_t tab = line.find('\t', start);
            Run(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start), bold);
            if (tab == std::string_view::npos)
                break;
            Tag(open_, "r>");
            Tag(open_, "tab/>");
            Tag(close_, "r>");
            start = tab + 1;
        }
        Tag(close_, "p>");
    }

    // One table per page, each with the title row marked to repeat, the next on a new page: a
    // page's rows are estimated (DocumentPageRows), and should a page's table run over, its rest
    // goes on under the repeated title row. LibreOffice's time for one table grows with the square
    // of its cells (5 000 rows in one table: many minutes); tables of a page each open in seconds.
    // Fixed layout, so that word processors keep the widths instead of fitting the texts anew.
    void Table(const ProtocolTable& table, const std::vector<int>& columns, const PageArea& page, bool ownStyles) {
        const DocumentTextMetrics metrics = ownStyles ? OwnDocumentMetrics : DocumentTextMetrics{};
        const std::vector<int> widths = DocumentColumnWidths(table, columns, page.width, metrics);
        const int pageBreak = 20; // the paragraph that starts a new page, one point high
        const auto pages =
            DocumentPageRows(table, columns, widths, metrics, page.height - page.header, page.height - pageBreak);
        for (std::size_t k = 0; k < pages.size(); ++k) {
            if (k > 0)
                PageBreak(pageBreak);
            TableStart(widths, page.width, ownStyles);
            Row(table, 0, columns);
            for (int row = pages[k].first; row < pages[k].second; ++row)
                Row(table, row, columns);
            Tag(close_, "tbl>");
        }
        if (pages.empty()) {
            TableStart(widths, page.width, ownStyles);
            Row(table, 0, columns);
            Tag(close_, "tbl>");
        }
    }

    void LandscapeSection() {
        Tag(open_, "sectPr>");
        Tag(open_, "pgSz");
        Attribute("w", std::to_string(kPageLength));
        Attribute("h", std::to_string(kPageBreadth));
        Attribute("orient", "landscape");
        out_ += "/>";
        Tag(open_, "pgMar");
        for (const char* side : {"top", "right", "bottom", "left"})
            Attribute(side, std::to_string(kMargin));
        Attribute("header", "709");
        Attribute("footer", "709");
        Attribute("gutter", "0");
        out_ += "/>";
        Tag(close_, "sectPr>");
    }

    std::string& Out() { return out_; }

private:
    // A4 lying down in twentieths of a point: 297 mm by 210 mm, margins of 2 cm.
    static constexpr int kPageLength = 16838;
    static constexpr int kPageBreadth = 11906;
    static constexpr int kMargin = 1134;
    static_assert(LandscapeTextWidth == kPageLength - 2 * kMargin);

    // No table names a style: LibreOffice takes a third more to twice the time over tables that
    // do (it works the style through every cell and paragraph). The station's own document
    // makes its table style the default one, which Word gives every table that names none;
    // LibreOffice leaves a default table style aside, so the borders and margins are the
    // table's own too.
    void TableStart(const std::vector<int>& widths, int textWidth, bool ownStyles) {
        Tag(open_, "tbl>");
        Tag(open_, "tblPr>");
        Tag(open_, "tblW");
        Attribute("w", std::to_string(textWidth));
        Attribute("type", "dxa");
        out_ += "/>";
        Tag(open_, "tblLayout");
        Attribute("type", "fixed");
        out_ += "/>";
        Tag(open_, "tblBorders>");
        for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"}) {
            Tag(open_, side);
            Attribute("val", "single");
            Attribute("sz", "4");
            Attribute("space", "0");
            Attribute("color", "000000");
            out_ += "/>";
        }
        Tag(close_, "tblBorders>");
        if (ownStyles) {
            Tag(open_, "tblCellMar>");
            for (const char* side : {"left", "right"}) {
                Tag(open_, side);
                Attribute("w", std::to_string(OwnDocumentMetrics.cellPadding / 2));
                Attribute("type", "dxa");
                out_ += "/>";
            }
            Tag(close_, "tblCellMar>");
        }
        Tag(close_, "tblPr>");
        Tag(open_, "tblGrid>");
        for (const int width : widths) {
            Tag(open_, "gridCol");
            Attribute("w", std::to_string(width));
            out_ += "/>";
        }
        Tag(close_, "tblGrid>");
    }

    void Row(const ProtocolTable& table, int row, const std::vector<int>& columns) {
        Tag(open_, "tr>");
        if (row == 0) {
            Tag(open_, "trPr>");
            Tag(open_, "tblHeader/>");
            Tag(close_, "trPr>");
        }
        for (const int col : columns) {
            Tag(open_, "tc>");
            Paragraph(OfficeCellText(table.Cell(col, row)), row == 0);
            Tag(close_, "tc>");
        }
        Tag(close_, "tr>");
    }

    // An empty paragraph of `height` that starts a new page; it also keeps the tables apart,
    // as tables with nothing between them are read as one.
    void PageBreak(int height) {
        Tag(open_, "p>");
        Tag(open_, "pPr>");
        Tag(open_, "pageBreakBefore/>");
        Tag(open_, "spacing");
        Attribute("before", "0");
        Attribute("after", "0");
        Attribute("line", std::to_string(height));
        Attribute("lineRule", "exact");
        out_ += "/>";
        Tag(open_, "rPr>");
        Tag(open_, "sz");
        Attribute("val", "2");
        out_ += "/>";
        Tag(close_, "rPr>");
        Tag(close_, "pPr>");
        Tag(close_, "p>");
    }

    void Tag(const std::string& start, std::string_view rest) {
        out_ += start;
        out_ += rest;
    }
    void Attribute(std::string_view name, std::string_view value) {
        out_ += attr_;
        out_ += name;
        out_ += "=\"";
        out_ += value;
        out_ += '"';
    }
    void Run(std::string_view text, bool bold) {
        if (text.empty())
            return;
        Tag(open_, "r>");
        if (bold) {
            Tag(open_, "rPr>");
            Tag(open_, "b/>");
            Tag(close_, "rPr>");
        }
        Tag(open_, "t xml:space=\"preserve\">");
        AppendXmlText(out_, text);
        Tag(close_, "t>");
        Tag(close_, "r>");
    }

    std::string open_, close_, attr_;
    std::string out_;
};

// The header block, the table and an empty paragraph after it (a table may not end a body). The
// station's own document (not a template) has its styles: the title a heading, the table its own.
std::string BodyContent(const ProtocolTable& table, const Settings& settings, const std::string& prefix,
                        const PageArea& page, bool ownDocument) {
    BodyWriter body(prefix);
    const std::vector<std::string> header = DocumentHeaderLines(table, settings);
    for (std::size_t k = 0; k < header.size(); ++k)
        body.Paragraph(header[k], false, ownDocument ? (k == 0 ? "Heading1" : "Kopfzeilen") : "");
    body.Paragraph("");
    body.Table(table, ShownColumns(settings), page, ownDocument);
    body.Paragraph("");
    if (ownDocument)
        body.LandscapeSection();
    return std::move(body.Out());
}

std::string CoreProperties(const Settings& settings) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
           "<dc:title>" +
           XmlText(settings.Title) + "</dc:title><dc:subject>" + XmlText(settings.Title2) +
           "</dc:subject><dc:creator>Kronolux Software</dc:creator><dc:description>" + XmlText(settings.Title3) +
           "</dc:description></cp:coreProperties>";
}

// The station's own styles: a 9-point sans font for the table (so that nineteen columns fit with
// whole words), the header lines a little larger, the title as a heading, and the default table
// style with its narrow cell margins, borders and bold title row.
std::string StylesPart() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<w:styles xmlns:w=\"" +
           std::string(kWordNamespace) +
           "\"><w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\" w:cs=\"Arial\" "
           "w:eastAsia=\"Arial\"/><w:sz w:val=\"18\"/><w:szCs w:val=\"18\"/><w:lang w:val=\"de-DE\"/></w:rPr>"
           "</w:rPrDefault><w:pPrDefault><w:pPr><w:spacing w:after=\"0\" w:line=\"240\" w:lineRule=\"auto\"/>"
           "</w:pPr></w:pPrDefault></w:docDefaults>"
           "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Standard\"><w:name w:val=\"Normal\"/>"
           "<w:qFormat/></w:style>"
           "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/>"
           "<w:basedOn w:val=\"Standard\"/><w:next w:val=\"Kopfzeilen\"/><w:qFormat/><w:pPr><w:keepNext/>"
           "<w:spacing w:before=\"0\" w:after=\"120\"/><w:outlineLvl w:val=\"0\"/></w:pPr><w:rPr><w:b/>"
           "<w:bCs/><w:sz w:val=\"32\"/><w:szCs w:val=\"32\"/></w:rPr></w:style>"
           "<w:style w:type=\"paragraph\" w:styleId=\"Kopfzeilen\"><w:name w:val=\"Kopfzeilen\"/>"
           "<w:basedOn w:val=\"Standard\"/><w:qFormat/><w:rPr><w:sz w:val=\"20\"/><w:szCs w:val=\"20\"/></w:rPr>"
           "</w:style>"
           "<w:style w:type=\"table\" w:default=\"1\" w:styleId=\"Protokolltabelle\">"
           "<w:name w:val=\"Protokolltabelle\"/><w:qFormat/><w:tblPr><w:tblInd w:w=\"0\" "
           "w:type=\"dxa\"/><w:tblBorders><w:top w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>"
           "<w:left w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/><w:bottom w:val=\"single\" "
           "w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/><w:right w:val=\"single\" w:sz=\"4\" w:space=\"0\" "
           "w:color=\"000000\"/><w:insideH w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>"
           "<w:insideV w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/></w:tblBorders>"
           "<w:tblCellMar><w:top w:w=\"0\" w:type=\"dxa\"/><w:left w:w=\"57\" w:type=\"dxa\"/><w:bottom "
           "w:w=\"0\" w:type=\"dxa\"/><w:right w:w=\"57\" w:type=\"dxa\"/></w:tblCellMar></w:tblPr><w:tblStylePr "
           "w:type=\"firstRow\"><w:rPr><w:b/><w:bCs/></w:rPr></w:tblStylePr></w:style>"
           "</w:styles>";
}

DocumentResult NewDocument(const ProtocolTable& table, const Settings& settings) {
    ZipWriter zip;
    zip.Add("[Content_Types].xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
            "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
            "<Override PartName=\"/word/document.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
            "<Override PartName=\"/word/styles.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
            "<Override PartName=\"/docProps/core.xml\" "
            "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/></Types>");
    zip.Add("_rels/.rels",
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rId1\" "
            "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
            "Target=\"word/document.xml\"/>"
            "<Relationship Id=\"rId2\" "
            "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties\" "
            "Target=\"docProps/core.xml\"/></Relationships>");
    zip.Add(std::string(kDocumentPart),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
            "<w:document xmlns:w=\"" +
                std::string(kWordNamespace) + "\"><w:body>" +
                BodyContent(table, settings, "w", PageArea{.header = kOwnHeaderHeight}, true) +
                "</w:body></w:document>");
    zip.Add("word/_rels/document.xml.rels",
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rId1\" "
            "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
            "Target=\"styles.xml\"/></Relationships>");
    zip.Add("word/styles.xml", StylesPart());
    zip.Add("docProps/core.xml", CoreProperties(settings));
    auto bytes = zip.Finish();
    if (!bytes)
        return {{}, "Das Dokument konnte nicht zusammengestellt werden."};
    return {std::move(*bytes), {}};
}

// The text area of the template's page, from the section at the end of its body; a template
// without one gets the page of a new document.
PageArea TemplatePage(const pugi::xml_node& body, const std::string& prefix) {
    const pugi::xml_node section = body.child((prefix + ":sectPr").c_str());
    const pugi::xml_node size = section.child((prefix + ":pgSz").c_str());
    const pugi::xml_node margins = section.child((prefix + ":pgMar").c_str());
    const auto margin = [&](const char* side) {
        return std::max(margins.attribute((prefix + ":" + side).c_str()).as_int(), 0);
    };
    PageArea area{.header = kTemplateHeaderHeight};
    const int page = size.attribute((prefix + ":w").c_str()).as_int();
    const int width = page - margin("left") - margin("right");
    if (page > 0 && width >= page / 4)
        area.width = width;
    const int length = size.attribute((prefix + ":h").c_str()).as_int();
    const int height = length - margin("top") - margin("bottom");
    if (length > 0 && height >= length / 4)
        area.height = height;
    return area;
}

// The template's main part with the protocol at the start of its body; empty on failure.
std::string FillTemplateBody(const std::string& documentXml, const ProtocolTable& table, const Settings& settings) {
    pugi::xml_document doc;
    if (!doc.load_buffer(documentXml.data(), documentXml.size(), pugi::parse_default | pugi::parse_ws_pcdata))
        return {};
    const pugi::xml_node root = doc.document_element();
    const std::string rootName = root.name();
    const std::size_t colon = rootName.find(':');
    const std::string prefix = colon == std::string::npos ? std::string() : rootName.substr(0, colon);
    if (prefix.empty() || root.attribute(("xmlns:" + prefix).c_str()).value() != kWordNamespace)
        return {};
    pugi::xml_node body = root.child((prefix + ":body").c_str());
    if (!body)
        return {};
    const std::string fragment = "<f xmlns:" + prefix + "=\"" + std::string(kWordNamespace) + "\">" +
                                 BodyContent(table, settings, prefix, TemplatePage(body, prefix), false) + "</f>";
    pugi::xml_document content;
    if (!content.load_buffer(fragment.data(), fragment.size()))
        return {};
    pugi::xml_node first = body.first_child();
    for (pugi::xml_node node : content.document_element().children())
        first ? body.insert_copy_before(node, first) : body.append_copy(node);
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw);
    return out.str();
}

DocumentResult FromTemplate(const std::string& templateBytes, const ProtocolTable& table, const Settings& settings) {
    const std::string unusable = "Die Vorlage " + std::string(DocumentTemplateName) + " ist kein lesbares Dokument.";
    ZipReader in(templateBytes);
    std::string documentXml;
    if (!in.Ok() || in.Read(kDocumentPart, documentXml) != ZipError::None)
        return {{}, unusable};
    std::string filled = FillTemplateBody(documentXml, table, settings);
    if (filled.empty())
        return {{}, unusable};
    ZipWriter zip;
    for (const std::string& name : in.Names()) {
        std::string part;
        if (name == kDocumentPart) {
            zip.Add(name, std::move(filled));
            continue;
        }
        if (in.Read(name, part) != ZipError::None)
            return {{}, unusable};
        if (name == "[Content_Types].xml") {
            if (const std::size_t at = part.find(kTemplateType); at != std::string::npos)
                part.replace(at, kTemplateType.size(), kDocumentType);
        }
        zip.Add(name, std::move(part));
    }
    auto bytes = zip.Finish();
    if (!bytes)
        return {{}, "Das Dokument konnte nicht zusammengestellt werden."};
    return {std::move(*bytes), {}};
}
#endif

} // namespace

std::vector<int> DocumentColumnWidths(const ProtocolTable& table, const std::vector<int>& columns, int textWidth,
                                      const DocumentTextMetrics& metrics) {
    if (columns.empty())
        return {};
    const double room = std::max(textWidth, 0);
    // Per column: the longest text on one line, and the longest word, below which a word breaks.
    std::vector<double> full, word;
    double fullSum = 0, wordSum = 0;
    for (const int col : columns) {
        const TextExtent extent = ColumnExtent(table, col, metrics);
        full.push_back(metrics.cellPadding + std::max(extent.line, metrics.character));
        word.push_back(metrics.cellPadding + std::max(extent.word, metrics.character));
        fullSum += full.back();
        wordSum += word.back();
    }
    const double cap = wordSum > room ? WidestCap(word, room) : 0;
    std::vector<double> exact;
    for (std::size_t k = 0; k < columns.size(); ++k) {
        if (fullSum <= room) // room to spare goes in proportion to the texts
            exact.push_back(full[k] + (room - fullSum) * full[k] / fullSum);
        else if (wordSum <= room) // the long texts wrap at their spaces, alike in proportion
            exact.push_back(word[k] + (room - wordSum) * (full[k] - word[k]) / (fullSum - wordSum));
        else // words must break: the longest ones, down to the same width
            exact.push_back(std::min(word[k], cap));
    }
    return RoundToTotal(exact, static_cast<int>(room));
}

namespace {

// The lines a text takes in a cell `room` wide, broken as ColumnExtent breaks words (after a
// space, hyphen or slash; a word longer than the line breaks where the line ends).
int WrappedLines(std::string_view text, double room, double character) {
    room = std::max(room, character);
    int lines = 1;
    double used = 0;
    std::size_t start = 0;
    for (std::size_t at = 0; at <= text.size(); ++at) {
        if (at < text.size() && text[at] != ' ' && text[at] != '-' && text[at] != '/')
            continue;
        const std::size_t keep = at < text.size() && text[at] != ' ' ? 1 : 0;
        double word = character * static_cast<double>(CharacterCount(text.substr(start, at - start + keep)));
        if (used > 0 && used + word > room) {
            ++lines;
            used = 0;
        }
        for (; word > room; word -= room)
            ++lines;
        used += word + (keep == 0 ? character : 0);
        start = at + 1;
    }
    return lines;
}

int RowHeight(const ProtocolTable& table, int row, const std::vector<int>& columns, const std::vector<int>& widths,
              const DocumentTextMetrics& metrics) {
    const double character = row == 0 ? metrics.boldCharacter : metrics.character;
    int lines = 1;
    for (std::size_t k = 0; k < columns.size() && k < widths.size(); ++k)
        lines = std::max(lines, WrappedLines(table.Cell(columns[k], row), widths[k] - metrics.cellPadding, character));
    return lines * metrics.lineHeight;
}

} // namespace

std::vector<std::pair<int, int>> DocumentPageRows(const ProtocolTable& table, const std::vector<int>& columns,
                                                  const std::vector<int>& widths, const DocumentTextMetrics& metrics,
                                                  int firstRoom, int room) {
    const int title = RowHeight(table, 0, columns, widths, metrics);
    std::vector<std::pair<int, int>> pages;
    int first = 1, used = title, left = firstRoom;
    for (int row = 1; row < table.RowCount(); ++row) {
        const int height = RowHeight(table, row, columns, widths, metrics);
        if (row > first && used + height > left) {
            pages.emplace_back(first, row);
            first = row;
            used = title;
            left = room;
        }
        used += height;
    }
    if (first < table.RowCount())
        pages.emplace_back(first, table.RowCount());
    return pages;
}

std::vector<std::string> DocumentTemplateCandidates(const std::string& programFolder, const Settings& settings) {
    std::vector<std::string> candidates{programFolder + std::string(DocumentTemplateName)};
    if (!settings.RezervDir.empty() && settings.RezervDir != programFolder)
        candidates.push_back(settings.RezervDir + std::string(DocumentTemplateName));
    return candidates;
}

std::vector<std::string> DocumentHeaderLines(const ProtocolTable& table, const Settings& settings) {
    return {
        settings.Title,
        settings.Title2,
        "Richter:\t" + settings.Title3,
        "Kategorie:\t" + settings.Katego + "  |  \tAnzahl: " + std::to_string(table.RowCount() - 1) +
            "   \tStandardzeit: " + std::to_string(settings.ZeitStandart) +
            " sek.   \tMaximalzeit: " + std::to_string(settings.ZeitMax) + " sek.   \tLänge: " + DistText(settings) +
            "  \tm/sec.: " + SkorText(settings),
    };
}

#if !CANIPARC_OFFICE
DocumentResult BuildDocument(const ProtocolTable&, const Settings&, const std::string&) {
    return {{}, std::string(OfficeMissing)};
}
#else
DocumentResult BuildDocument(const ProtocolTable& table, const Settings& settings, const std::string& templateBytes) {
    if (templateBytes.empty())
        return NewDocument(table, settings);
    return FromTemplate(templateBytes, table, settings);
}

#endif

} // namespace caniparc
