// Reading the first sheet of a spreadsheet: the row-count rule, the number columns, the used area
// only, and a German reason for every file that is no usable sheet.
#include "export/SpreadsheetImport.h"

#include "ExportFixtures.h"
#include "export/SpreadsheetExport.h"
#include "export/ZipArchive.h"
#include "protocol/ProtocolSort.h"
#include "protocol/Ranking.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

using testing::ExportSettings;
using testing::RankedClass;

std::string Zip(std::initializer_list<std::pair<const char*, std::string>> parts) {
    ZipWriter zip;
    for (const auto& [name, bytes] : parts)
        zip.Add(name, bytes);
    return *zip.Finish();
}

std::string Ods(const std::string& rows) {
    return Zip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                {"content.xml", "<?xml version=\"1.0\"?><office:document-content "
                                "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                                "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                                "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
                                "<office:spreadsheet><table:table table:name=\"A\">" +
                                    rows +
                                    "</table:table><table:table table:name=\"B\"/></office:spreadsheet>"
                                    "</office:body></office:document-content>"}});
}

std::string Cell(const std::string& text) {
    return "<table:table-cell><text:p>" + text + "</text:p></table:table-cell>";
}
std::string Float(const char* value) {
    return std::string("<table:table-cell office:value-type=\"float\" office:value=\"") + value +
           "\"><text:p>shown</text:p></table:table-cell>";
}

TEST(SpreadsheetImport, ExportedWorkbook_ReadsBackTheShownColumnsInPlace) {
    const SheetImport sheet =
        ReadSpreadsheetBytes(BuildSpreadsheet(RankedClass(), ExportSettings()).bytes, ExportSettings());
    ASSERT_EQ(sheet.error, "");
    ASSERT_EQ(sheet.rows.size(), 4u);
    EXPECT_EQ(sheet.rows[0][2], "Hundeführer/in");
    EXPECT_EQ(sheet.rows[2][1], "<b>Rex</b> & Co");
    EXPECT_EQ(sheet.rows[2][0], "7");
    EXPECT_EQ(sheet.rows[2][5], "51,3");  // ColTime1, tenths
    EXPECT_EQ(sheet.rows[2][11], "3,51"); // m/sec lands in sheet column 12, no number column there
    EXPECT_EQ(sheet.rows[3][5], "DIS");
}

TEST(SpreadsheetImport, NumberColumns_TakeTheTimeFormat) {
    const std::string row = Cell("7") + Cell("Rex") + Cell("") + Cell("") + Cell("") + Float("38.5") + Float("2") +
                            Cell("DIS") + Float("1.26") + "<table:table-cell table:number-columns-repeated=\"8\"/>" +
                            Float("4.129");
    const std::string ods =
        Ods("<table:table-row>" + Cell("Nr.") + "</table:table-row><table:table-row>" + row + "</table:table-row>");
    for (const auto& [format, time, faults, speed] :
         {std::tuple{0, "38,5", "1,3", "4,1"}, std::tuple{1, "38,50", "1,26", "4,13"}}) {
        Settings settings = ExportSettings();
        settings.TimeFormatIndex = format;
        const SheetImport sheet = ReadSpreadsheetBytes(ods, settings);
        ASSERT_EQ(sheet.error, "");
        ASSERT_EQ(sheet.rows.size(), 2u);
        EXPECT_EQ(sheet.rows[1][ColTime1], time);
        EXPECT_EQ(sheet.rows[1][ColFaults1], "2"); // not a number column: as the sheet shows it
        EXPECT_EQ(sheet.rows[1][ColRefusals1], "DIS");
        EXPECT_EQ(sheet.rows[1][ColTimeFaults1], faults);
        EXPECT_EQ(sheet.rows[1][ColSpeed], speed);
    }
}

TEST(SpreadsheetImport, RowsEndAtTheFirstEmptyFirstCell_RepeatsAndHugeSheetsIncluded) {
    const std::string ods = Ods("<table:table-row table:number-rows-repeated=\"3\">" + Cell("12") + Cell("A  B") +
                                "</table:table-row><table:table-row>" + Cell("") + Cell("after the gap") +
                                "</table:table-row><table:table-row table:number-rows-repeated=\"1048570\">"
                                "<table:table-cell table:number-columns-repeated=\"16384\"/></table:table-row>");
    const SheetImport sheet = ReadSpreadsheetBytes(ods, ExportSettings());
    ASSERT_EQ(sheet.error, "");
    EXPECT_EQ(sheet.rows.size(), 3u);
    EXPECT_EQ(sheet.rows[2][1], "A  B");
}

TEST(SpreadsheetImport, EmptyFirstCell_GivesNoRows) {
    const SheetImport sheet =
        ReadSpreadsheetBytes(Ods("<table:table-row>" + Cell("") + Cell("x") + "</table:table-row>"), ExportSettings());
    EXPECT_EQ(sheet.error, "");
    EXPECT_TRUE(sheet.rows.empty());
}

TEST(SpreadsheetImport, UnusableFiles_SayWhyInGerman) {
    const std::string huge(65u * 1024u * 1024u, ' ');
    const struct {
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"Nr.;Hundename\r\n", "ist keine Tabelle"},
        {"PK\x03\x04 damaged", "ist beschädigt"},
        {Zip({{"word/document.xml", "<w/>"}}), "ist keine Tabelle"},
        {Zip({{"xl/workbook.xml", "<workbook/>"}}), "enthält kein Tabellenblatt"},
        {Zip({{"content.xml", "<office:document-content xmlns:office=\"o\"/>"}}), "enthält kein Tabellenblatt"},
        {Zip({{"xl/workbook.xml", "<workbook/>"}, {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>"}}),
         "ist beschädigt"},
        {Zip({{"xl/workbook.xml", "<workbook/>"},
              {"xl/worksheets/sheet1.xml", "<worksheet><sheetData><row><c t=\"s\"><v>5</v></c></row></sheetData>"
                                           "</worksheet>"}}),
         "ist beschädigt"},
        {Zip({{"content.xml", huge}}), "größer als 64 MiB"},
    };
    for (const auto& c : cases) {
        const SheetImport sheet = ReadSpreadsheetBytes(c.bytes, ExportSettings(), "liste.xlsx");
        EXPECT_NE(sheet.error.find(c.reason), std::string::npos) << c.reason << ": " << sheet.error;
        EXPECT_NE(sheet.error.find("liste.xlsx"), std::string::npos);
        EXPECT_TRUE(sheet.rows.empty());
    }
}

TEST(SpreadsheetImport, LoadImportedRows_RefillsTitlesAndRecomputes) {
    ProtocolTable table;
    WriteColumnTitles(table);
    SortState sort;
    Ranking ranking;
    std::vector<ProtocolTable::Row> rows(3);
    rows[0][ColStartNr] = "Start";
    rows[1][ColStartNr] = "5";
    rows[1][ColTime1] = "50,0";
    rows[2][ColStartNr] = "6";
    rows[2][ColTime1] = "40,0";
    const StartListSelection selection = LoadImportedRows(rows, table, ExportSettings(), sort, ranking);
    EXPECT_EQ(table.Cell(ColStartNr, 0), "Start");
    EXPECT_EQ(table.Cell(ColDogName, 0), "Hundename");
    EXPECT_EQ(table.Cell(ColStartNr, 1), "6"); // ranked first
    EXPECT_EQ(table.Cell(ColPlace, 1), "1");
    EXPECT_EQ(selection.startNumbers.size(), 2u);
}

} // namespace
} // namespace caniparc
