// The .docx export: the header block, the table, and a club's template kept around them.
#include "export/DocumentExport.h"

#include "ExportFixtures.h"
#include "export/ExportTable.h"
#include "export/XmlPull.h"
#include "export/ZipArchive.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace caniparc {
namespace {

using testing::ExportSettings;
using testing::MakeRow;
using testing::RankedClass;

std::string Part(const std::string& docx, const char* name) {
    ZipReader zip(docx);
    std::string part;
    EXPECT_EQ(zip.Read(name, part), ZipError::None) << name;
    return part;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(DocumentExport, HeaderLines_CarryTheCourseDataInOrder) {
    EXPECT_EQ(DocumentHeaderLines(RankedClass(), ExportSettings()),
              (std::vector<std::string>{"Canitorn", "in Halle Brakelund am 15.03.2007", "Richter:\tErwin Mahlke",
                                        "Kategorie:\tSmall  |  \tAnzahl: 3   \tStandardzeit: 60 sek.   \tMaximalzeit: "
                                        "120 sek.   \tLänge: 180,00  \tm/sec.: 3,00"}));
}

TEST(DocumentExport, NewDocument_HoldsATableOfTheShownColumns) {
    const DocumentResult result = BuildDocument(RankedClass(), ExportSettings());
    ASSERT_EQ(result.error, "");
    const std::string body = Part(result.bytes, "word/document.xml");
    EXPECT_EQ(Count(body, "<w:tr>"), 4u);
    EXPECT_EQ(Count(body, "<w:tc>"), 4u * 13u);
    EXPECT_NE(body.find("&lt;b&gt;Rex&lt;/b&gt; &amp; Co"), std::string::npos);
    EXPECT_NE(body.find("orient=\"landscape\""), std::string::npos);
    EXPECT_NE(Part(result.bytes, "docProps/core.xml").find("<dc:creator>Kronolux Software</dc:creator>"),
              std::string::npos);
}

int Sum(const std::vector<int>& widths) {
    int sum = 0;
    for (const int w : widths)
        sum += w;
    return sum;
}

TEST(DocumentExport, ColumnWidths_FillTheTextWidthInProportionToTheTexts) {
    const ProtocolTable table = RankedClass();
    const std::vector<int> columns = ShownColumns(ExportSettings());
    for (const int textWidth : {LandscapeTextWidth, 9638, 1, 0}) {
        const std::vector<int> widths = DocumentColumnWidths(table, columns, textWidth);
        ASSERT_EQ(widths.size(), columns.size());
        EXPECT_EQ(Sum(widths), textWidth) << textWidth;
        EXPECT_TRUE(std::all_of(widths.begin(), widths.end(), [](int w) { return w >= 0; }));
    }
    // Characters of 155, bold titles of 180, and the cell margins of 216. Start numbers: "Nr."
    // 756 on a line and as a word. Dogs: "<b>Rex</b> & Co" 2541, the word "Hundename" 1836.
    // Handlers: "Hundeführer/in" 2736, the word "Hundeführer/" 2376. Together 6033 and 4968.
    const std::vector<int> few = {ColStartNr, ColDogName, ColHandler};
    // Room to spare (3967) in proportion to the lines: 497.1, 1670.8, 1799.1.
    EXPECT_EQ(DocumentColumnWidths(table, few, 10000), (std::vector<int>{1253, 4212, 4535}));
    // Room for the words and 532 more, shared 0 : 705 : 360 by what the lines want beyond them.
    EXPECT_EQ(DocumentColumnWidths(table, few, 5500), (std::vector<int>{756, 1836 + 352, 2376 + 180}));
    // Too little for the words: the two longest are cut to the same width, the start number
    // keeps its own.
    EXPECT_EQ(DocumentColumnWidths(table, few, 3000), (std::vector<int>{756, 1122, 1122}));
}

TEST(DocumentExport, ColumnWidths_RoundingLeftoversGoToTheLargestRemainders) {
    ProtocolTable table;
    table.SetRowCount(1);
    table.MutableRows()[0][0] = "aaaa";    // bold titles: 216 + 4 * 180 = 936
    table.MutableRows()[0][1] = "aaaa";    // 936
    table.MutableRows()[0][2] = "aaaaaaa"; // 1476
    // 52 to spare: 950.54, 950.54, 1498.92; the two twips left over go to the largest remainder,
    // then to the first of the equal ones.
    EXPECT_EQ(DocumentColumnWidths(table, {0, 1, 2}, 3400), (std::vector<int>{951, 950, 1499}));
    EXPECT_EQ(DocumentColumnWidths(table, {}, 100), std::vector<int>{});
}

TEST(DocumentExport, NewDocument_TableHasAFixedGridOfTheColumnWidths) {
    const std::string body = Part(BuildDocument(RankedClass(), ExportSettings()).bytes, "word/document.xml");
    std::string grid;
    for (const int w :
         DocumentColumnWidths(RankedClass(), ShownColumns(ExportSettings()), LandscapeTextWidth, OwnDocumentMetrics))
        grid += "<w:gridCol w:w=\"" + std::to_string(w) + "\"/>";
    EXPECT_NE(body.find("<w:tblGrid>" + grid + "</w:tblGrid>"), std::string::npos) << body.substr(0, 2000);
    EXPECT_NE(body.find("<w:tblW w:w=\"14570\" w:type=\"dxa\"/><w:tblLayout w:type=\"fixed\"/>"), std::string::npos);
}

TEST(DocumentExport, NewDocument_HasATitleHeadingATableStyleAndARepeatedTitleRow) {
    const std::string docx = BuildDocument(RankedClass(), ExportSettings()).bytes;
    const std::string body = Part(docx, "word/document.xml");
    EXPECT_EQ(body.find("<w:p><w:pPr><w:pStyle w:val=\"Heading1\"/></w:pPr><w:r><w:t xml:space=\"preserve\">Canitorn"),
              body.find("<w:body>") + 8);
    // The table style is the default one; a table naming a style opens several times slower in
    // LibreOffice, so the tables carry their borders and margins themselves.
    EXPECT_EQ(body.find("<w:tblStyle"), std::string::npos);
    EXPECT_NE(body.find("<w:tblCellMar><w:left w:w=\"57\" w:type=\"dxa\"/><w:right w:w=\"57\" "
                        "w:type=\"dxa\"/></w:tblCellMar></w:tblPr>"),
              std::string::npos);
    const std::size_t firstRow = body.find("<w:tr>");
    EXPECT_EQ(body.find("<w:tr><w:trPr><w:tblHeader/></w:trPr>"), firstRow);
    EXPECT_EQ(body.find("<w:tblHeader/>", firstRow + 20), std::string::npos); // the title row only
    const std::string styles = Part(docx, "word/styles.xml");
    for (const char* style :
         {"w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/>",
          "<w:style w:type=\"table\" w:default=\"1\" w:styleId=\"Protokolltabelle\">", "w:styleId=\"Kopfzeilen\""})
        EXPECT_NE(styles.find(style), std::string::npos) << style;
    EXPECT_NE(Part(docx, "word/_rels/document.xml.rels").find("Target=\"styles.xml\""), std::string::npos);
    EXPECT_NE(Part(docx, "[Content_Types].xml").find("/word/styles.xml"), std::string::npos);
    // Word refuses the whole file for one part that is not well formed.
    const ZipReader zip(docx);
    for (const std::string& name : zip.Names()) {
        std::string part;
        ASSERT_EQ(zip.Read(name, part), ZipError::None) << name;
        XmlPull xml(part);
        XmlPull::Event e;
        while ((e = xml.Next()) != XmlPull::Event::Done && e != XmlPull::Event::Error) {
        }
        EXPECT_EQ(e, XmlPull::Event::Done) << name;
    }
}

// A long protocol: LibreOffice takes minutes over one table of thousands of rows (its time grows
// with the square of one table's cells), so each page gets a table of its own with the title row,
// the next one on a new page; every starter is there once, in order.
ProtocolTable LongClass(int rows, const char* club) {
    ProtocolTable table;
    WriteColumnTitles(table);
    table.MutableRows().resize(1);
    for (int k = 1; k <= rows; ++k) {
        const std::string nr = std::to_string(k);
        table.MutableRows().push_back(MakeRow({"", "Hund", "Ewa", club, "Small", "40,00", "0", "0", "0,00", "0,00", "",
                                               "", "", "", "", "", "Vorzüglich", "4,50", "1"}));
        table.MutableRows().back()[ColStartNr] = nr;
    }
    return table;
}

TEST(DocumentExport, LongProtocol_OneTablePerPageEachWithTheTitleRow) {
    const ProtocolTable table = LongClass(400, "VDH");
    const std::string body = Part(BuildDocument(table, ExportSettings()).bytes, "word/document.xml");
    const std::size_t tables = Count(body, "<w:tbl>");
    EXPECT_GE(tables, 400u / 46u);
    EXPECT_LE(tables, 400u / 30u);
    EXPECT_EQ(Count(body, "<w:tr><w:trPr><w:tblHeader/></w:trPr><w:tc><w:p><w:r><w:rPr><w:b/></w:rPr><w:t "
                          "xml:space=\"preserve\">Nr.</w:t>"),
              tables);
    EXPECT_EQ(Count(body, "</w:tbl><w:p><w:pPr><w:pageBreakBefore/>"), tables - 1);
    EXPECT_EQ(Count(body, "<w:tr>"), 400u + tables);
    std::size_t at = 0;
    for (int k = 1; k <= 400; ++k) {
        at = body.find("<w:t xml:space=\"preserve\">" + std::to_string(k) +
                           "</w:t></w:r></w:p></w:tc><w:tc><w:p><w:r>"
                           "<w:t xml:space=\"preserve\">Hund<",
                       at);
        ASSERT_NE(at, std::string::npos) << k;
    }
}

TEST(DocumentExport, PageRows_WrappedRowsTakeMoreRoomAndTheFirstPageLessForTheHeader) {
    const std::vector<int> columns = ShownColumns(ExportSettings());
    const auto pages = [&](const ProtocolTable& table) {
        const std::vector<int> widths = DocumentColumnWidths(table, columns, LandscapeTextWidth, OwnDocumentMetrics);
        return DocumentPageRows(table, columns, widths, OwnDocumentMetrics, 5000, 10000);
    };
    const ProtocolTable short_ = LongClass(200, "VDH");
    ProtocolTable wrapped = LongClass(200, "VDH");
    wrapped.MutableRows()[7][ColClub] = std::string(300, 'x'); // one word longer than any column: lines of it
    const auto one = pages(short_);
    ASSERT_GE(one.size(), 2u);
    EXPECT_EQ(one.front().first, 1);
    EXPECT_EQ(one.back().second, 201);
    for (std::size_t k = 1; k < one.size(); ++k)
        EXPECT_EQ(one[k].first, one[k - 1].second);
    const int firstRows = one[0].second - one[0].first, laterRows = one[1].second - one[1].first;
    EXPECT_EQ(laterRows, 10000 / OwnDocumentMetrics.lineHeight - 1); // less the title row
    EXPECT_EQ(firstRows, 5000 / OwnDocumentMetrics.lineHeight - 1);
    const auto two = pages(wrapped);
    EXPECT_LT(two[0].second - two[0].first, firstRows);
    // A row taller than a page gets a page of its own.
    wrapped.MutableRows()[7][ColClub] = std::string(3000, 'x');
    const auto tall = pages(wrapped);
    EXPECT_NE(std::find(tall.begin(), tall.end(), std::pair{7, 8}), tall.end());
}

// "Hundename" cut to "Hun|dena|me" and "Vorzü|glich": with nineteen columns of two runs and the
// bonus every column must still hold its longest word, titles in bold included.
TEST(DocumentExport, TwoRunsWithBonus_EveryColumnHoldsItsLongestWord) {
    Settings settings = ExportSettings();
    settings.LaufCount = 2;
    settings.Bonus = true;
    const ProtocolTable table = RankedClass();
    const std::vector<int> columns = ShownColumns(settings);
    ASSERT_EQ(columns.size(), 19u);
    const std::vector<int> widths = DocumentColumnWidths(table, columns, LandscapeTextWidth, OwnDocumentMetrics);
    for (std::size_t k = 0; k < columns.size(); ++k) {
        for (int row = 0; row < table.RowCount(); ++row) {
            const double character = row == 0 ? OwnDocumentMetrics.boldCharacter : OwnDocumentMetrics.character;
            std::string word;
            for (const char c : table.Cell(columns[k], row) + " ") {
                if (c != ' ')
                    word += c;
                if (c == ' ' || c == '-' || c == '/') {
                    EXPECT_LE(OwnDocumentMetrics.cellPadding + character * static_cast<double>(CharacterCount(word)),
                              widths[k])
                        << word;
                    word.clear();
                }
            }
        }
    }
}

std::string TemplateDocx(const std::string& document) {
    ZipWriter zip;
    zip.Add("[Content_Types].xml", "<Types><Override PartName=\"/word/document.xml\" ContentType=\"application/"
                                   "vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml\"/></Types>");
    zip.Add("word/document.xml", document);
    zip.Add("word/footer1.xml", "<footer>Verein</footer>");
    zip.Add("word/styles.xml", "<styles>Hausstil</styles>");
    return *zip.Finish();
}

TEST(DocumentExport, Template_KeepsItsPartsAndGetsTheProtocolAtTheStartOfItsBody) {
    const std::string tpl = TemplateDocx(
        "<?xml version=\"1.0\"?><x:document xmlns:x=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
        "<x:body><x:p><x:r><x:t>Logo</x:t></x:r></x:p><x:sectPr><x:footerReference/></x:sectPr></x:body>"
        "</x:document>");
    const DocumentResult result = BuildDocument(RankedClass(), ExportSettings(), tpl);
    ASSERT_EQ(result.error, "");
    const std::string body = Part(result.bytes, "word/document.xml");
    const std::size_t title = body.find("<x:t xml:space=\"preserve\">Canitorn</x:t>");
    ASSERT_NE(title, std::string::npos) << body;
    EXPECT_LT(title, body.find("Logo"));
    EXPECT_LT(body.find("</x:tbl>"), body.find("Logo"));
    EXPECT_EQ(Count(body, "sectPr>"), 2u); // the template's own section only, opened and closed
    EXPECT_NE(body.find("<x:tblW x:w=\"14570\""), std::string::npos); // no page size: a new document's
    EXPECT_EQ(Part(result.bytes, "word/footer1.xml"), "<footer>Verein</footer>");
    EXPECT_EQ(Part(result.bytes, "word/styles.xml"), "<styles>Hausstil</styles>");
    EXPECT_NE(Part(result.bytes, "[Content_Types].xml").find("document.main+xml"), std::string::npos);
}

TEST(DocumentExport, Template_TableTakesTheTextWidthOfItsPage) {
    // A4 upright with margins of 2.5 cm and 2 cm: 11906 - 1418 - 1134.
    const std::string tpl = TemplateDocx(
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body><w:sectPr>"
        "<w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:left=\"1418\" w:right=\"1134\"/></w:sectPr></w:body>"
        "</w:document>");
    const std::string body = Part(BuildDocument(RankedClass(), ExportSettings(), tpl).bytes, "word/document.xml");
    EXPECT_NE(body.find("<w:tblW w:w=\"9354\""), std::string::npos);
}

TEST(DocumentExport, UnreadableTemplate_SaysSoInsteadOfWritingSomething) {
    for (const std::string& tpl : {std::string("kein zip"), TemplateDocx("<w:document><w:body>"),
                                   TemplateDocx("<document xmlns=\"urn:other\"><body/></document>")}) {
        const DocumentResult result = BuildDocument(RankedClass(), ExportSettings(), tpl);
        EXPECT_TRUE(result.bytes.empty());
        EXPECT_EQ(result.error, "Die Vorlage Protokollvorlage.docx ist kein lesbares Dokument.");
    }
}

TEST(DocumentExport, TemplateCandidates_ProgramFolderThenBackupFolder) {
    EXPECT_EQ(DocumentTemplateCandidates("/opt/c/", ExportSettings()),
              (std::vector<std::string>{"/opt/c/Protokollvorlage.docx", "/tmp/backup/Protokollvorlage.docx"}));
}

} // namespace
} // namespace caniparc
