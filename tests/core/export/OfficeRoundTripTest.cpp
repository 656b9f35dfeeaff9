// What the station writes, opened by real office software: cells, numbers as numbers, umlauts
// and markup-like names must arrive as the protocol holds them.
#include "ExportFixtures.h"
#include "OfficeSupport.h"
#include "export/ClipboardText.h"
#include "export/DocumentExport.h"
#include "export/ExportTable.h"
#include "export/HtmlPage.h"
#include "export/SpreadsheetExport.h"
#include "export/SpreadsheetImport.h"
#include "export/XmlPull.h"
#include "export/ZipArchive.h"

#include "protocol/Ranking.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace caniparc {
namespace {

using namespace testing;

class OfficeRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        if (!OfficeAvailable())
            GTEST_SKIP() << "LibreOffice (soffice) is not installed";
        folder_ = FreshFolder();
        ASSERT_FALSE(folder_.empty());
    }
    void TearDown() override {
        std::error_code ignored;
        if (!folder_.empty())
            std::filesystem::remove_all(folder_, ignored);
    }
    std::filesystem::path folder_;
};

TEST_F(OfficeRoundTrip, Spreadsheet_OpensWithNumbersAsNumbersAndTextsAsTyped) {
    const SpreadsheetResult xlsx = BuildSpreadsheet(RankedClass(), ExportSettings());
    ASSERT_EQ(xlsx.error, "");
    WriteBytes(folder_ / "protokoll.xlsx", xlsx.bytes);
    // Every text cell quoted, numbers bare and unformatted: a bare value is a number.
    const auto csv = OfficeConvert(folder_, folder_ / "protokoll.xlsx",
                                   "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true,false,false", "csv");
    ASSERT_FALSE(csv.empty()) << ReadBytes(folder_ / "office.log");
    EXPECT_EQ(ReadBytes(csv),
              "\"Nr.\",\"Hundename\",\"Hundeführer/in\",\"Verband/Verein\",\"Kat.\",\"Zeit\",\"PF\",\"Vw\",\"ZF\","
              "\"GF\",\"Ges/Note\",\"m/sec\",\"Rang\"\n"
              "12,\"Bello\",\"Jürgen Müller\",\"SV Nord; Süd\",\"Small\",45.07,0,1,0,5,\"Vorzüglich\",4,1\n"
              "7,\"<b>Rex</b> & Co\",\"Łucja \"\"Lu\"\" Nowak\",\"VDH\",\"Small\",51.3,1,0,0,5,\"Sehr gut\",3.51,2\n"
              "15,\"Asta\",\"Ewa\",\"VDH\",\"Small\",\"DIS\",\"-\",\"-\",\"-\",\"-\",\"-\",\"-\",\"DIS\"\n");
}

TEST_F(OfficeRoundTrip, Document_OpensWithTheHeaderAndEveryCell) {
    const DocumentResult docx = BuildDocument(RankedClass(), ExportSettings());
    ASSERT_EQ(docx.error, "");
    WriteBytes(folder_ / "protokoll.docx", docx.bytes);
    const auto txt = OfficeConvert(folder_, folder_ / "protokoll.docx", "txt:Text (encoded):UTF8", "txt");
    ASSERT_FALSE(txt.empty()) << ReadBytes(folder_ / "office.log");
    const std::string text = ReadBytes(txt);
    EXPECT_NE(text.find("Canitorn\nin Halle Brakelund am 15.03.2007\nRichter:\tErwin Mahlke\nKategorie:\tSmall  |  "
                        "\tAnzahl: 3   \tStandardzeit: 60 sek.   \tMaximalzeit: 120 sek.   \tLänge: 180,00  \tm/sec.: "
                        "3,00\n"),
              std::string::npos)
        << text;
    // The text filter writes one table cell per line.
    EXPECT_NE(text.find("\n7\n<b>Rex</b> & Co\nŁucja \"Lu\" Nowak\nVDH\nSmall\n51,3\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nVorzüglich\n4,00\n1\n"), std::string::npos);
}

// What LibreOffice reads of the document's tables (as flat text document XML): per table the title
// row to repeat, its cells in bold; every cell with its border and narrow margins; every column of
// the computed width.
struct OfficeTables {
    int tables = 0;
    int headerRows = 0;
    std::vector<int> headerCells;     // per table
    std::vector<bool> headerBold;     // per table: every title cell's text bold
    std::vector<std::string> columns; // widths in inches as written, of every table in order
    int cells = 0;
    int cellsWithBorderAndMargins = 0;
};

OfficeTables ReadOfficeTables(const std::string& fodt) {
    struct Style {
        bool bold = false, framed = false;
        std::string width;
    };
    std::map<std::string, Style> styles;
    OfficeTables found;
    XmlPull pull(fodt);
    std::string style;
    bool inHeader = false;
    for (auto e = pull.Next(); e != XmlPull::Event::Done && e != XmlPull::Event::Error; e = pull.Next()) {
        if (e == XmlPull::Event::End) {
            if (pull.Name() == "table-header-rows")
                inHeader = false;
            continue;
        }
        if (e != XmlPull::Event::Start)
            continue;
        const std::string_view name = pull.Name();
        if (name == "style") {
            style = pull.Attribute("name");
        } else if (name == "text-properties" && pull.Attribute("font-weight") == "bold") {
            styles[style].bold = true;
        } else if (name == "table-cell-properties") {
            styles[style].framed = pull.Attribute("border") == "0.5pt solid #000000" &&
                                   pull.Attribute("padding-left") == "0.0396in" &&
                                   pull.Attribute("padding-right") == "0.0396in";
        } else if (name == "table-column-properties") {
            styles[style].width = pull.Attribute("column-width");
        } else if (name == "table" && pull.Depth() > 3) { // in the body, not a table style
            ++found.tables;
            found.headerCells.push_back(0);
            found.headerBold.push_back(true);
        } else if (name == "table-column") {
            const std::string repeated = pull.Attribute("number-columns-repeated");
            for (int k = 0; k < (repeated.empty() ? 1 : std::stoi(repeated)); ++k)
                found.columns.push_back(styles[pull.Attribute("style-name")].width);
        } else if (name == "table-header-rows") {
            ++found.headerRows;
            inHeader = true;
        } else if (name == "table-cell") {
            ++found.cells;
            found.cellsWithBorderAndMargins += styles[pull.Attribute("style-name")].framed ? 1 : 0;
            if (inHeader)
                ++found.headerCells.back();
        } else if (name == "span" && inHeader && !styles[pull.Attribute("style-name")].bold) {
            found.headerBold.back() = false;
        }
    }
    return found;
}

TEST_F(OfficeRoundTrip, Document_EveryPagesTableHasItsBoldTitleRowBordersAndColumnWidths) {
    ProtocolTable table = RankedClass();
    for (int k = 0; k < 100; ++k) // three pages
        table.MutableRows().push_back(table.RowAt(1 + k % 3));
    const Settings settings = ExportSettings();
    WriteBytes(folder_ / "protokoll.docx", BuildDocument(table, settings).bytes);
    const auto fodt = OfficeConvert(folder_, folder_ / "protokoll.docx", "fodt", "fodt");
    ASSERT_FALSE(fodt.empty()) << ReadBytes(folder_ / "office.log");
    const OfficeTables read = ReadOfficeTables(ReadBytes(fodt));
    ASSERT_GE(read.tables, 3);
    EXPECT_EQ(read.headerRows, read.tables);
    const std::vector<int> columns = ShownColumns(settings);
    EXPECT_EQ(read.headerCells,
              std::vector<int>(static_cast<std::size_t>(read.tables), static_cast<int>(columns.size())));
    EXPECT_EQ(read.headerBold, std::vector<bool>(static_cast<std::size_t>(read.tables), true));
    EXPECT_EQ(read.cells, static_cast<int>(columns.size()) * (table.RowCount() + read.tables - 1));
    EXPECT_EQ(read.cellsWithBorderAndMargins, read.cells);
    const std::vector<int> widths = DocumentColumnWidths(table, columns, LandscapeTextWidth, OwnDocumentMetrics);
    ASSERT_EQ(read.columns.size(), widths.size() * static_cast<std::size_t>(read.tables));
    for (std::size_t k = 0; k < read.columns.size(); ++k) {
        const double inches = std::stod(read.columns[k].substr(0, read.columns[k].size() - 2));
        EXPECT_NEAR(inches * 1440, widths[k % widths.size()], 2.0) << k << " " << read.columns[k];
    }
}

// A club's template as Word saves one (.dotx): a header, a footer and a house style whose
// default font is a monospaced one, so the PDF shows whether the style was kept.
std::string ClubTemplate() {
    const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    const std::string w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
    const std::string r = "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    const std::string rels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    const std::string types = "application/vnd.openxmlformats-officedocument.wordprocessingml.";
    ZipWriter zip;
    zip.Add("[Content_Types].xml", xml +
                                       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                                       "<Default Extension=\"rels\" ContentType=\"application/"
                                       "vnd.openxmlformats-package.relationships+xml\"/>"
                                       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                                       "<Override PartName=\"/word/document.xml\" ContentType=\"" +
                                       types +
                                       "template.main+xml\"/><Override PartName=\"/word/styles.xml\" ContentType=\"" +
                                       types + "styles+xml\"/><Override PartName=\"/word/header1.xml\" ContentType=\"" +
                                       types + "header+xml\"/><Override PartName=\"/word/footer1.xml\" ContentType=\"" +
                                       types + "footer+xml\"/></Types>");
    zip.Add("_rels/.rels", xml +
                               "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                               "<Relationship Id=\"rId1\" Type=\"" +
                               rels + "officeDocument\" Target=\"word/document.xml\"/></Relationships>");
    zip.Add("word/_rels/document.xml.rels",
            xml +
                "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                "<Relationship Id=\"rId1\" Type=\"" +
                rels + "styles\" Target=\"styles.xml\"/><Relationship Id=\"rId2\" Type=\"" + rels +
                "header\" Target=\"header1.xml\"/><Relationship Id=\"rId3\" Type=\"" + rels +
                "footer\" Target=\"footer1.xml\"/></Relationships>");
    zip.Add("word/styles.xml", xml + "<w:styles " + w +
                                   "><w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=\"Liberation Mono\" "
                                   "w:hAnsi=\"Liberation Mono\"/><w:sz w:val=\"16\"/></w:rPr></w:rPrDefault>"
                                   "</w:docDefaults><w:style w:type=\"paragraph\" w:default=\"1\" "
                                   "w:styleId=\"Standard\"><w:name w:val=\"Normal\"/></w:style></w:styles>");
    zip.Add("word/header1.xml", xml + "<w:hdr " + w +
                                    "><w:p><w:r><w:t>Hundesportverein Brakelund e.V.</w:t></w:r>"
                                    "</w:p></w:hdr>");
    zip.Add("word/footer1.xml", xml + "<w:ftr " + w + "><w:p><w:r><w:t>Ausgedruckt am Ring</w:t></w:r></w:p></w:ftr>");
    zip.Add("word/document.xml",
            xml + "<w:document " + w + " " + r +
                "><w:body><w:p><w:r><w:t>Mit sportlichem Gruß</w:t></w:r></w:p><w:sectPr>"
                "<w:headerReference w:type=\"default\" r:id=\"rId2\"/>"
                "<w:footerReference w:type=\"default\" r:id=\"rId3\"/>"
                "<w:pgSz w:w=\"16838\" w:h=\"11906\" w:orient=\"landscape\"/><w:pgMar w:top=\"1134\" "
                "w:right=\"1134\" w:bottom=\"1134\" w:left=\"1134\" w:header=\"567\" w:footer=\"567\" "
                "w:gutter=\"0\"/></w:sectPr></w:body></w:document>");
    return *zip.Finish();
}

bool PdfToolsAvailable() {
    return std::system("command -v pdftotext > /dev/null 2>&1 && command -v pdffonts > /dev/null 2>&1") == 0;
}

TEST_F(OfficeRoundTrip, DocumentFromATemplate_PrintsWithItsHeaderFooterAndStyle) {
    if (!PdfToolsAvailable())
        GTEST_SKIP() << "pdftotext and pdffonts (poppler-utils) are not installed";
    const DocumentResult docx = BuildDocument(RankedClass(), ExportSettings(), ClubTemplate());
    ASSERT_EQ(docx.error, "");
    WriteBytes(folder_ / "protokoll.docx", docx.bytes);
    const auto pdf = OfficeConvert(folder_, folder_ / "protokoll.docx", "pdf:writer_pdf_Export", "pdf");
    ASSERT_FALSE(pdf.empty()) << ReadBytes(folder_ / "office.log");
    const std::string run = "cd '" + folder_.string() + "' && pdftotext -layout protokoll.pdf protokoll.txt" +
                            " && pdffonts protokoll.pdf > fonts.txt";
    ASSERT_EQ(std::system(run.c_str()), 0);
    const std::string text = ReadBytes(folder_ / "protokoll.txt");
    EXPECT_NE(text.find("Hundesportverein Brakelund e.V."), std::string::npos) << text;
    EXPECT_NE(text.find("Ausgedruckt am Ring"), std::string::npos) << text;
    EXPECT_NE(text.find("Mit sportlichem Gruß"), std::string::npos) << text;
    EXPECT_LT(text.find("in Halle Brakelund am 15.03.2007"), text.find("Mit sportlichem Gruß")) << text;
    for (const char* cell : {"Hundeführer/in", "Jürgen Müller", "<b>Rex</b> & Co", "Łucja \"Lu\" Nowak", "Vorzüglich"})
        EXPECT_NE(text.find(cell), std::string::npos) << cell << "\n" << text;
    EXPECT_NE(ReadBytes(folder_ / "fonts.txt").find("LiberationMono"), std::string::npos)
        << ReadBytes(folder_ / "fonts.txt");
}

// A start list as LibreOffice keeps it (flat ODF): a start number and a name by formula, a time
// typed as minutes and seconds, a line break inside a name, umlauts and Polish letters.
std::string StartListFods() {
    const auto text = [](const std::string& value) {
        return "<table:table-cell office:value-type=\"string\"><text:p>" + value + "</text:p></table:table-cell>";
    };
    const auto number = [](const std::string& value) {
        return "<table:table-cell office:value-type=\"float\" office:value=\"" + value + "\"><text:p>" + value +
               "</text:p></table:table-cell>";
    };
    const auto duration = [](const std::string& iso, const std::string& shown) {
        return "<table:table-cell table:style-name=\"ce1\" office:value-type=\"time\" office:time-value=\"" + iso +
               "\"><text:p>" + shown + "</text:p></table:table-cell>";
    };
    std::string rows = "<table:table-row>";
    for (const char* title : {"Nr.", "Hundename", "Hundeführer/in", "Verband/Verein", "Kat.", "Zeit"})
        rows += text(title);
    rows += "</table:table-row><table:table-row>" + number("12") +
            "<table:table-cell office:value-type=\"string\"><text:p>Rex</text:p><text:p>vom Hof</text:p>"
            "</table:table-cell>" +
            text("Jürgen Müller") + text("SV Nord; Süd") + text("Small") + duration("PT00H00M38.50S", "00:38,50") +
            "</table:table-row><table:table-row>"
            "<table:table-cell table:formula=\"of:=[.A2]+1\" office:value-type=\"float\" office:value=\"13\">"
            "<text:p>13</text:p></table:table-cell>"
            "<table:table-cell table:formula=\"of:=&quot;Ce&quot;&amp;&quot;sar&quot;\" office:value-type=\"string\" "
            "office:string-value=\"Cesar\"><text:p>Cesar</text:p></table:table-cell>" +
            text("Łucja Żółć-Gęś") + text("VDH") + text("Small") + duration("PT00H01M02.07S", "01:02,07") +
            "</table:table-row><table:table-row>" + number("7") + text("Asta") + text("Ewa Ślązak") +
            text("Ärger &amp; Öl") + text("Small") + text("DIS") + "</table:table-row>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
           "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
           "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
           "xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\" "
           "xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\" office:version=\"1.3\" "
           "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:automatic-styles>"
           "<number:time-style style:name=\"N1\" number:truncate-on-overflow=\"false\"><number:minutes "
           "number:style=\"long\"/><number:text>:</number:text><number:seconds number:style=\"long\" "
           "number:decimal-places=\"2\"/></number:time-style><style:style style:name=\"ce1\" "
           "style:family=\"table-cell\" style:data-style-name=\"N1\"/></office:automatic-styles><office:body>"
           "<office:spreadsheet><table:table table:name=\"Starter\">" +
           rows + "</table:table></office:spreadsheet></office:body></office:document>";
}

// A CSV file as LibreOffice writes it with every text cell quoted: the cells and whether each was
// quoted (a bare cell is a number).
std::vector<std::vector<std::pair<std::string, bool>>> ParseCsv(const std::string& csv) {
    std::vector<std::vector<std::pair<std::string, bool>>> rows(1);
    rows.back().emplace_back();
    for (std::size_t i = 0; i < csv.size(); ++i) {
        auto& cell = rows.back().back();
        if (csv[i] == '"') {
            cell.second = true;
            for (++i; i < csv.size() && !(csv[i] == '"' && (i + 1 >= csv.size() || csv[i + 1] != '"')); ++i)
                cell.first += csv[i] == '"' ? csv[++i] : csv[i];
        } else if (csv[i] == ',') {
            rows.back().emplace_back();
        } else if (csv[i] == '\n') {
            if (i + 1 < csv.size())
                rows.emplace_back(1);
        } else if (csv[i] != '\r') {
            cell.first += csv[i];
        }
    }
    return rows;
}

// The cells LibreOffice read back equal the protocol's: texts as they are, numbers by value.
void ExpectCellsAsInTheProtocol(const std::string& csv, const ProtocolTable& table, const std::vector<int>& columns,
                                const std::string& what) {
    const auto rows = ParseCsv(csv);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(table.RowCount())) << what << "\n" << csv;
    for (int row = 0; row < table.RowCount(); ++row) {
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const std::string expected = table.Cell(columns[k], row) == " " ? "" : table.Cell(columns[k], row);
            const auto& line = rows[static_cast<std::size_t>(row)];
            const std::pair<std::string, bool> cell = k < line.size() ? line[k] : std::pair{std::string(), false};
            if (cell.second || cell.first.empty()) {
                EXPECT_EQ(cell.first, expected) << what << " row " << row << " column " << columns[k];
                continue;
            }
            const std::optional<double> number = CellNumber(expected, ',');
            ASSERT_TRUE(number) << what << " row " << row << ": " << expected << " read back as " << cell.first;
            EXPECT_DOUBLE_EQ(std::stod(cell.first), *number) << what << " row " << row << " column " << columns[k];
        }
    }
}

// Start lists written by LibreOffice as .xlsx, .ods and .xls import alike; the protocol made of
// them goes out as workbook, document, web page and clipboard text, and LibreOffice reads the
// same cells back from each.
TEST_F(OfficeRoundTrip, StartListsFromOffice_ImportAlikeAndEveryExportReadsBackTheSameCells) {
    WriteBytes(folder_ / "liste.fods", StartListFods());
    Settings settings = ExportSettings();
    settings.TimeFormatIndex = 1;
    std::vector<std::vector<ProtocolTable::Row>> imports;
    for (const auto& [filter, extension] : {std::pair{"xlsx:Calc MS Excel 2007 XML", "xlsx"}, std::pair{"ods", "ods"},
                                            std::pair{"xls:MS Excel 97", "xls"}}) {
        const auto sheetPath = OfficeConvert(folder_, folder_ / "liste.fods", filter, extension);
        ASSERT_FALSE(sheetPath.empty()) << extension << ": " << ReadBytes(folder_ / "office.log");
        SheetImport sheet = ReadSpreadsheetFile(sheetPath.string(), settings);
        ASSERT_EQ(sheet.error, "") << extension;
        ASSERT_EQ(sheet.rows.size(), 4u) << extension;
        EXPECT_EQ(sheet.rows[1][ColDogName], "Rex vom Hof") << extension;
        EXPECT_EQ(sheet.rows[1][ColClub], "SV Nord; Süd") << extension;
        EXPECT_EQ(sheet.rows[1][ColTime1], "38,50") << extension;
        EXPECT_EQ(sheet.rows[2][ColStartNr], "13") << extension;
        EXPECT_EQ(sheet.rows[2][ColDogName], "Cesar") << extension;
        EXPECT_EQ(sheet.rows[2][ColHandler], "Łucja Żółć-Gęś") << extension;
        EXPECT_EQ(sheet.rows[2][ColTime1], "62,07") << extension;
        EXPECT_EQ(sheet.rows[3][ColClub], "Ärger & Öl") << extension;
        EXPECT_EQ(sheet.rows[3][ColTime1], "DIS") << extension;
        imports.push_back(std::move(sheet.rows));
    }
    ASSERT_EQ(imports.size(), 3u);
    EXPECT_EQ(imports[0], imports[1]);
    EXPECT_EQ(imports[0], imports[2]);

    ProtocolTable table;
    SortState sort;
    Ranking ranking;
    LoadImportedRows(imports[0], table, settings, sort, ranking);
    ASSERT_EQ(table.RowCount(), 4);
    const std::vector<int> shown = ShownColumns(settings);
    WriteBytes(folder_ / "protokoll.xlsx", BuildSpreadsheet(table, settings).bytes);
    WriteBytes(folder_ / "protokoll.docx", BuildDocument(table, settings).bytes);
    WriteBytes(folder_ / "seite.html", FormatHtmlPage(table, settings));
    WriteBytes(folder_ / "zwischenablage.txt", ClipboardText(table));

    const auto csv = OfficeConvert(folder_, folder_ / "protokoll.xlsx",
                                   "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true,false,false", "csv");
    ASSERT_FALSE(csv.empty()) << ReadBytes(folder_ / "office.log");
    ExpectCellsAsInTheProtocol(ReadBytes(csv), table, shown, "xlsx");

    // The text filter writes one table cell per line; both files go through one office start.
    ASSERT_TRUE(
        OfficeConvertAll(folder_, {folder_ / "protokoll.docx", folder_ / "seite.html"}, "txt:Text (encoded):UTF8"))
        << ReadBytes(folder_ / "office.log");
    // The page puts the place first.
    std::vector<int> pageColumns{ColPlace};
    std::copy_if(shown.begin(), shown.end(), std::back_inserter(pageColumns), [](int col) { return col != ColPlace; });
    for (const auto& [name, columns] : {std::pair{"protokoll.txt", shown}, std::pair{"seite.txt", pageColumns}}) {
        std::string text = "\n";
        for (char c : ReadBytes(folder_ / name) + "\n") { // lines without the blanks at their ends
            if (c == '\n')
                while (text.back() == ' ' || text.ends_with("\xC2\xA0"))
                    text.erase(text.size() - (text.back() == ' ' ? 1 : 2));
            text += c;
        }
        std::size_t at = 0;
        for (int row = 0; row < table.RowCount(); ++row) {
            for (const int col : columns) {
                const std::string& cell = table.Cell(col, row);
                if (cell.empty() || cell == " ")
                    continue;
                const std::size_t found = text.find("\n" + cell + "\n", at);
                ASSERT_NE(found, std::string::npos) << name << ": " << cell << "\n" << text;
                at = found + cell.size() + 1;
            }
        }
    }

    // Pasted into a sheet: TAB between the cells, every column of the protocol.
    const auto pasted = OfficeConvert(folder_, folder_ / "zwischenablage.txt",
                                      "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true,false,false", "csv",
                                      "'--infilter=Text - txt - csv (StarCalc):9,34,76,1'");
    ASSERT_FALSE(pasted.empty()) << ReadBytes(folder_ / "office.log");
    std::vector<int> all;
    for (int col = 0; col <= ColPlace; ++col)
        all.push_back(col);
    ExpectCellsAsInTheProtocol(ReadBytes(pasted), table, all, "clipboard");
}

} // namespace
} // namespace caniparc
