// What the station writes, opened by real office software: cells, numbers as numbers, umlauts
// and markup-like names must arrive as the protocol holds them.
#include "ExportFixtures.h"
#include "OfficeSupport.h"
#include "export/DocumentExport.h"
#include "export/SpreadsheetExport.h"
#include "export/SpreadsheetImport.h"
#include "export/ZipArchive.h"

#include <gtest/gtest.h>

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

TEST_F(OfficeRoundTrip, SheetsWrittenByOfficeFromAStarterList_ImportAlike) {
    const std::string csv = "Nr.,Hundename,Hundeführer/in,Verband/Verein,Kat.,Zeit\n"
                            "12,Bello,Jürgen Müller,\"SV Nord; Süd\",Small,38.5\n"
                            "7,<b>Rex</b> & Co,Łucja,VDH,Small,DIS\n";
    WriteBytes(folder_ / "liste.csv", csv);
    const std::string from = "--infilter=CSV:44,34,76,1";
    for (const auto& [filter, extension] : {std::pair{"xlsx:Calc MS Excel 2007 XML", "xlsx"}, std::pair{"ods", "ods"},
                                            std::pair{"xls:MS Excel 97", "xls"}}) {
        const auto sheetPath = OfficeConvert(folder_, folder_ / "liste.csv", filter, extension, from);
        ASSERT_FALSE(sheetPath.empty()) << extension << ": " << ReadBytes(folder_ / "office.log");
        Settings settings = ExportSettings();
        settings.TimeFormatIndex = 1;
        const SheetImport sheet = ReadSpreadsheetFile(sheetPath.string(), settings);
        ASSERT_EQ(sheet.error, "") << extension;
        ASSERT_EQ(sheet.rows.size(), 3u) << extension;
        EXPECT_EQ(sheet.rows[0][ColHandler], "Hundeführer/in") << extension;
        EXPECT_EQ(sheet.rows[1][ColStartNr], "12") << extension;
        EXPECT_EQ(sheet.rows[1][ColClub], "SV Nord; Süd") << extension;
        EXPECT_EQ(sheet.rows[1][ColTime1], "38,50") << extension;
        EXPECT_EQ(sheet.rows[2][ColDogName], "<b>Rex</b> & Co") << extension;
        EXPECT_EQ(sheet.rows[2][ColHandler], "Łucja") << extension;
        EXPECT_EQ(sheet.rows[2][ColTime1], "DIS") << extension;
    }
}

} // namespace
} // namespace caniparc
