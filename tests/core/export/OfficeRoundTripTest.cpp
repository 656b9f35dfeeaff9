// What the station writes, opened by real office software: cells, numbers as numbers, umlauts
// and markup-like names must arrive as the protocol holds them.
#include "ExportFixtures.h"
#include "OfficeSupport.h"
#include "export/DocumentExport.h"
#include "export/SpreadsheetExport.h"
#include "export/SpreadsheetImport.h"

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
