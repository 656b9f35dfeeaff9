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

TEST(SpreadsheetImport, ExportedOneRunWorkbook_ReadsBackEveryColumnUnderItsTitle) {
    const SheetImport sheet =
        ReadSpreadsheetBytes(BuildSpreadsheet(RankedClass(), ExportSettings()).bytes, ExportSettings());
    ASSERT_EQ(sheet.error, "");
    ASSERT_EQ(sheet.rows.size(), 4u);
    EXPECT_EQ(sheet.rows[0][2], "Hundeführer/in");
    EXPECT_EQ(sheet.rows[2][1], "<b>Rex</b> & Co");
    EXPECT_EQ(sheet.rows[2][0], "7");
    EXPECT_EQ(sheet.rows[2][5], "51,3");       // ColTime1, tenths
    EXPECT_EQ(sheet.rows[2][ColSpeed], "3,5"); // sheet column 12, read by its title; tenths
    EXPECT_EQ(sheet.rows[1][ColGrade], "Vorzüglich");
    EXPECT_EQ(sheet.rows[1][ColPlace], "1");
    EXPECT_EQ(sheet.rows[2][ColTime2], "");
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

// A workbook around one sheet part; shared strings and styles when given.
std::string Xlsx(const std::string& sheetData, const std::string& shared = {}, const std::string& styles = {}) {
    ZipWriter zip;
    zip.Add("xl/workbook.xml", "<workbook xmlns:r=\"r\"><sheets><sheet name=\"A\" r:id=\"rId1\"/></sheets></workbook>");
    zip.Add("xl/_rels/workbook.xml.rels",
            "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>");
    zip.Add("xl/worksheets/sheet1.xml", "<worksheet><sheetData>" + sheetData + "</sheetData></worksheet>");
    if (!shared.empty())
        zip.Add("xl/sharedStrings.xml", shared);
    if (!styles.empty())
        zip.Add("xl/styles.xml", styles);
    return *zip.Finish();
}

std::string Repeat(const std::string& piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t k = 0; k < times; ++k)
        out += piece;
    return out;
}

TEST(SpreadsheetImport, NestingBeyondReason_IsRefusedInGermanInsteadOfEndingTheProgram) {
    const std::string deep = "<sst><si>" + Repeat("<r>", 60000) + "<t>x</t>" + Repeat("</r>", 60000) + "</si></sst>";
    const std::string row = "<table:table-row>" + Cell("1") + "</table:table-row>";
    for (const std::string& bytes :
         {Xlsx("<row><c t=\"s\"><v>0</v></c></row>", deep),
          Ods("<table:table-row>" + Cell(Repeat("<text:span>", 60000) + "x" + Repeat("</text:span>", 60000)) +
              "</table:table-row>"),
          Ods(Repeat("<table:table-row-group>", 60000) + row + Repeat("</table:table-row-group>", 60000))}) {
        const SheetImport sheet = ReadSpreadsheetBytes(bytes, ExportSettings(), "liste.xlsx");
        EXPECT_NE(sheet.error.find("liste.xlsx ist tiefer verschachtelt"), std::string::npos) << sheet.error;
        EXPECT_TRUE(sheet.rows.empty());
    }
    // Row groups and spans as an office program nests them still read.
    const SheetImport grouped = ReadSpreadsheetBytes(
        Ods("<table:table-row-group><table:table-header-rows>" + row + "</table:table-header-rows>" +
            "<table:table-row-group>" + "<table:table-row>" + Cell("<text:span><text:span>2</text:span></text:span>") +
            "</table:table-row></table:table-row-group></table:table-row-group>"),
        ExportSettings());
    ASSERT_EQ(grouped.error, "");
    ASSERT_EQ(grouped.rows.size(), 2u);
    EXPECT_EQ(grouped.rows[1][ColStartNr], "2");
}

TEST(SpreadsheetImport, MillionsOfEmptyElements_AreReadPastOrRefused) {
    const std::string first = "<row><c t=\"inlineStr\"><is><t>7</t></is></c>";
    // Cells beyond the protocol's columns are passed over; the row still counts.
    const SheetImport wide = ReadSpreadsheetBytes(Xlsx(first + Repeat("<c/>", 4'000'000) + "</row>"), ExportSettings());
    ASSERT_EQ(wide.error, "");
    ASSERT_EQ(wide.rows.size(), 1u);
    EXPECT_EQ(wide.rows[0][ColStartNr], "7");
    // So is a filled twentieth cell, just past the last column.
    std::string twenty = "<row>";
    for (int col = 0; col <= ColPlace + 1; ++col)
        twenty += "<c t=\"inlineStr\"><is><t>" + std::to_string(col + 1) + "</t></is></c>";
    const SheetImport past = ReadSpreadsheetBytes(Xlsx(twenty + "</row>"), ExportSettings());
    ASSERT_EQ(past.error, "");
    ASSERT_EQ(past.rows.size(), 1u);
    EXPECT_EQ(past.rows[0][ColPlace], std::to_string(ColPlace + 1));
    EXPECT_EQ(past.rows[0][ColSortKey], ""); // the hidden key is the station's own
    // Elements that bring no rows, and shared strings by the million, are not worth a class.
    for (const std::string& bytes :
         {Xlsx(first + "</row>", "<sst>" + Repeat("<si/>", 3'000'000) + "</sst>"),
          Xlsx("<row><c t=\"inlineStr\"><is><t>7</t>" + Repeat("<x/>", 3'000'000) + "</is></c></row>"),
          Xlsx(first + "</row>" + Repeat("<x/>", 3'000'000)),
          Ods("<table:table-row>" + Cell("1" + Repeat("<text:span/>", 3'000'000)) + "</table:table-row>")}) {
        const SheetImport sheet = ReadSpreadsheetBytes(bytes, ExportSettings(), "bombe.xlsx");
        EXPECT_NE(sheet.error.find("bombe.xlsx enthält weit mehr Text oder Zellen"), std::string::npos) << sheet.error;
    }
    // A long text repeated over every row and column is refused before it is copied a million times.
    const SheetImport repeated =
        ReadSpreadsheetBytes(Ods("<table:table-row table:number-rows-repeated=\"100000\"><table:table-cell "
                                 "table:number-columns-repeated=\"19\"><text:p>" +
                                 std::string(30000, 'a') + "</text:p></table:table-cell></table:table-row>"),
                             ExportSettings());
    EXPECT_NE(repeated.error.find("weit mehr Text"), std::string::npos) << repeated.error;
}

TEST(SpreadsheetImport, FormulaCells_TakeTheirStoredResult_OrNameTheCell) {
    const SheetImport sheet = ReadSpreadsheetBytes(
        Xlsx("<row><c t=\"str\"><v>Nr.</v></c></row><row><c><v>1</v></c></row>"
             "<row><c><f>A2+1</f><v>2</v></c><c t=\"str\"><f>\"Ce\"&amp;\"sar\"</f><v>Cesar</v></c></row>"),
        ExportSettings());
    ASSERT_EQ(sheet.error, "");
    ASSERT_EQ(sheet.rows.size(), 3u);
    EXPECT_EQ(sheet.rows[2][ColStartNr], "2");
    EXPECT_EQ(sheet.rows[2][ColDogName], "Cesar");
    const SheetImport unsaved = ReadSpreadsheetBytes(
        Xlsx("<row><c><v>1</v></c></row><row><c r=\"A2\"><v>2</v></c><c r=\"B2\"><f>A2*2</f></c></row>"),
        ExportSettings(), "liste.xlsx");
    EXPECT_NE(unsaved.error.find("Die Zelle B2 der Tabelle liste.xlsx enthält eine Formel ohne gespeichertes Ergebnis"),
              std::string::npos)
        << unsaved.error;
    EXPECT_TRUE(unsaved.rows.empty());
}

// A start list saved by an office program as .xls: A3 and A4 are formulas (=A2+1), so is B3
// (="Ce"&"sar"); F2 and F3 are times typed as minutes and seconds, D2 a date.
TEST(SpreadsheetImport, XlsWithFormulasDurationsAndDates_ReadsEveryStarter) {
    Settings settings = ExportSettings();
    settings.TimeFormatIndex = 1;
    const SheetImport sheet = ReadSpreadsheetFile(CANIPARC_EXPORT_DATA "/startliste.xls", settings);
    ASSERT_EQ(sheet.error, "");
    ASSERT_EQ(sheet.rows.size(), 4u);
    EXPECT_EQ(sheet.rows[2][ColStartNr], "2");
    EXPECT_EQ(sheet.rows[3][ColStartNr], "3");
    EXPECT_EQ(sheet.rows[2][ColDogName], "Cesar");
    EXPECT_EQ(sheet.rows[1][ColTime1], "38,50");
    EXPECT_EQ(sheet.rows[2][ColTime1], "62,07");
    EXPECT_EQ(sheet.rows[1][ColClub], "15.03.2026");
    EXPECT_EQ(sheet.rows[2][ColHandler], "Jürgen Müller");
}

TEST(SpreadsheetImport, DurationsAndDates_FollowTheCellsNumberFormat) {
    const std::string styles =
        "<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"[MM]:SS.00\"/>"
        "<numFmt numFmtId=\"165\" formatCode=\"DD.MM.YYYY\"/>"
        "<numFmt numFmtId=\"166\" formatCode=\"&quot;Tag &quot;0\"/>"
        "<numFmt numFmtId=\"167\" formatCode=\"[Red][$-407]0.00\"/><numFmt numFmtId=\"168\" formatCode=\"[h]:mm\"/>"
        "</numFmts><cellXfs>"
        "<xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"165\"/><xf numFmtId=\"14\"/>"
        "<xf numFmtId=\"166\"/><xf numFmtId=\"22\"/><xf numFmtId=\"47\"/><xf numFmtId=\"167\"/>"
        "<xf numFmtId=\"168\"/></cellXfs></styleSheet>";
    // 38,5 s and 62,07 s as fractions of a day, 2026-03-15 as a day number.
    const SheetImport sheet = ReadSpreadsheetBytes(
        Xlsx("<row><c t=\"inlineStr\"><is><t>Nr.</t></is></c></row><row><c><v>1</v></c><c s=\"2\"><v>46096</v></c>"
             "<c s=\"3\"><v>46096</v></c><c s=\"5\"><v>46096.5</v></c><c s=\"4\"><v>3</v></c>"
             "<c s=\"1\"><v>4.4560185185185184E-4</v></c><c s=\"6\"><v>7.184027777777778E-4</v></c>"
             "<c s=\"7\"><v>2.5</v></c><c s=\"8\"><v>4.4560185185185184E-4</v></c></row>",
             {}, styles),
        ExportSettings());
    ASSERT_EQ(sheet.error, "");
    ASSERT_EQ(sheet.rows.size(), 2u);
    EXPECT_EQ(sheet.rows[1][ColDogName], "15.03.2026");
    EXPECT_EQ(sheet.rows[1][ColHandler], "15.03.2026");
    EXPECT_EQ(sheet.rows[1][ColClub], "15.03.2026 12:00");
    EXPECT_EQ(sheet.rows[1][ColCategory], "3"); // a quoted "Tag" is no day
    EXPECT_EQ(sheet.rows[1][ColTime1], "38,5");
    EXPECT_EQ(sheet.rows[1][ColFaults1], "62,07");
    EXPECT_EQ(sheet.rows[1][ColRefusals1], "2,5");    // a colour and a locale in brackets are no time
    EXPECT_EQ(sheet.rows[1][ColTimeFaults1], "38,5"); // [h] is elapsed time
    const SheetImport ods = ReadSpreadsheetBytes(
        Ods("<table:table-row>" + Cell("1") + Cell("x") + Cell("x") +
            "<table:table-cell office:value-type=\"date\" office:date-value=\"2026-03-15\"><text:p>x</text:p>"
            "</table:table-cell>" +
            Cell("x") +
            "<table:table-cell office:value-type=\"time\" office:time-value=\"PT00H01M02.07S\"><text:p>01:02,07"
            "</text:p></table:table-cell></table:table-row>"),
        ExportSettings());
    ASSERT_EQ(ods.error, "");
    EXPECT_EQ(ods.rows[0][ColClub], "15.03.2026");
    EXPECT_EQ(ods.rows[0][ColTime1], "62,1");
}

TEST(SpreadsheetImport, LineBreaksTabsAndBadBytes_BecomeBlanksAndReplacementCharacters) {
    const SheetImport xlsx = ReadSpreadsheetBytes(
        Xlsx("<row><c t=\"s\"><v>0</v></c><c t=\"s\"><v>1</v></c><c t=\"inlineStr\"><is><t>a&#xD800;b</t></is></c>"
             "</row>",
             "<sst><si><t>7</t></si><si><t>Rex\tder\r\nZweite \xC3\x28 \xED\xA0\x80</t></si></sst>"),
        ExportSettings());
    ASSERT_EQ(xlsx.error, "");
    ASSERT_EQ(xlsx.rows.size(), 1u);
    EXPECT_EQ(xlsx.rows[0][ColStartNr], "7");
    EXPECT_EQ(xlsx.rows[0][ColDogName], "Rex der Zweite \xEF\xBF\xBD( \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(xlsx.rows[0][ColHandler], "a\xEF\xBF\xBD"
                                        "b");
    const SheetImport ods = ReadSpreadsheetBytes(
        Ods("<table:table-row>" + Cell("1") +
            "<table:table-cell><text:p>Rex<text:line-break/>der<text:tab/>Zweite</text:p><text:p>II</text:p>"
            "</table:table-cell></table:table-row>"),
        ExportSettings());
    ASSERT_EQ(ods.error, "");
    EXPECT_EQ(ods.rows[0][ColDogName], "Rex der Zweite II");
}

TEST(SpreadsheetImport, RowLeftOpenByABrokenFile_StillEndsTheRows) {
    // Found by fuzzing: a row inside a row was kept although its first cell was empty.
    const SheetImport sheet =
        ReadSpreadsheetBytes(Xlsx("<row><c><v>1</v></c></row><row><row><c><v>3</v></c></row></row>"), ExportSettings());
    for (const ProtocolTable::Row& row : sheet.rows)
        EXPECT_NE(row[ColStartNr], "");
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
