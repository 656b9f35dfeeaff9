// The .docx export (see DocumentExport.h): WordprocessingML written by hand into a zip.
#include "export/DocumentExport.h"

#include "export/ExportTable.h"
#include "export/ZipArchive.h"
#include "protocol/ProtocolTable.h"
#include "settings/Settings.h"

#if CANIPARC_OFFICE
#include <pugixml.hpp>
#endif

#include <sstream>

namespace caniparc {
namespace {

#if CANIPARC_OFFICE

constexpr std::string_view kWordNamespace = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view kDocumentPart = "word/document.xml";
constexpr std::string_view kTemplateType = "wordprocessingml.template.main+xml";
constexpr std::string_view kDocumentType = "wordprocessingml.document.main+xml";

// Text for an XML element or attribute; control characters XML cannot carry are dropped.
std::string XmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t')
                out += c;
        }
    }
    return out;
}

class BodyWriter {
public:
    explicit BodyWriter(std::string prefix) : w_(std::move(prefix) + ":") {}

    // A paragraph; TABs become tab stops.
    void Paragraph(std::string_view line, bool bold = false) {
        out_ += "<" + w_ + "p>";
        std::size_t start = 0;
        while (true) {
            const std::size_t tab = line.find('\t', start);
            Run(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start), bold);
            if (tab == std::string_view::npos)
                break;
            out_ += "<" + w_ + "r><" + w_ + "tab/></" + w_ + "r>";
            start = tab + 1;
        }
        out_ += "</" + w_ + "p>";
    }

    void Table(const ProtocolTable& table, const std::vector<int>& columns) {
        out_ += "<" + w_ + "tbl><" + w_ + "tblPr><" + w_ + "tblW " + w_ + "w=\"0\" " + w_ + "type=\"auto\"/><" + w_ +
                "tblBorders>";
        for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"})
            out_ += "<" + w_ + side + " " + w_ + "val=\"single\" " + w_ + "sz=\"4\" " + w_ + "space=\"0\" " + w_ +
                    "color=\"000000\"/>";
        out_ += "</" + w_ + "tblBorders></" + w_ + "tblPr><" + w_ + "tblGrid>";
        for (std::size_t k = 0; k < columns.size(); ++k)
            out_ += "<" + w_ + "gridCol/>";
        out_ += "</" + w_ + "tblGrid>";
        for (int row = 0; row < table.RowCount(); ++row) {
            out_ += "<" + w_ + "tr>";
            for (const int col : columns) {
                out_ += "<" + w_ + "tc>";
                Paragraph(table.Cell(col, row), row == 0);
                out_ += "</" + w_ + "tc>";
            }
            out_ += "</" + w_ + "tr>";
        }
        out_ += "</" + w_ + "tbl>";
    }

    void LandscapeSection() {
        out_ += "<" + w_ + "sectPr><" + w_ + "pgSz " + w_ + "w=\"16838\" " + w_ + "h=\"11906\" " + w_ +
                "orient=\"landscape\"/><" + w_ + "pgMar " + w_ + "top=\"1134\" " + w_ + "right=\"1134\" " + w_ +
                "bottom=\"1134\" " + w_ + "left=\"1134\" " + w_ + "header=\"709\" " + w_ + "footer=\"709\" " + w_ +
                "gutter=\"0\"/></" + w_ + "sectPr>";
    }

    std::string& Out() { return out_; }

private:
    void Run(std::string_view text, bool bold) {
        if (text.empty())
            return;
        out_ += "<" + w_ + "r>";
        if (bold)
            out_ += "<" + w_ + "rPr><" + w_ + "b/></" + w_ + "rPr>";
        out_ += "<" + w_ + "t xml:space=\"preserve\">" + XmlText(text) + "</" + w_ + "t></" + w_ + "r>";
    }

    std::string w_;
    std::string out_;
};

// The header block, the table and an empty paragraph after it (a table may not end a body).
std::string BodyContent(const ProtocolTable& table, const Settings& settings, const std::string& prefix,
                        bool withSection) {
    BodyWriter body(prefix);
    for (const std::string& line : DocumentHeaderLines(table, settings))
        body.Paragraph(line);
    body.Paragraph("");
    body.Table(table, ShownColumns(settings));
    body.Paragraph("");
    if (withSection)
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

DocumentResult NewDocument(const ProtocolTable& table, const Settings& settings) {
    ZipWriter zip;
    zip.Add("[Content_Types].xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
            "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
            "<Override PartName=\"/word/document.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
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
    zip.Add(std::string(kDocumentPart), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                                        "<w:document xmlns:w=\"" +
                                            std::string(kWordNamespace) + "\"><w:body>" +
                                            BodyContent(table, settings, "w", true) + "</w:body></w:document>");
    zip.Add("docProps/core.xml", CoreProperties(settings));
    auto bytes = zip.Finish();
    if (!bytes)
        return {{}, "Das Dokument konnte nicht zusammengestellt werden."};
    return {std::move(*bytes), {}};
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
                                 BodyContent(table, settings, prefix, false) + "</f>";
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
