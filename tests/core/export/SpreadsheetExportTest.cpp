// The .xlsx export, read back from its zip parts: what a spreadsheet program relies on.
#include "export/SpreadsheetExport.h"

#include "ExportFixtures.h"
#include "common/Encoding.h"
#include "export/ExportTable.h"
#include "export/XmlPull.h"
#include "export/ZipArchive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace caniparc {
namespace {

using testing::ExportSettings;
using testing::RankedClass;

std::string Part(const std::string& xlsx, const char* name) {
    ZipReader zip(xlsx);
    std::string part;
    EXPECT_EQ(zip.Read(name, part), ZipError::None) << name;
    return part;
}

TEST(SpreadsheetExport, RankedClass_HasSheetPropertiesAndLandscape) {
    const SpreadsheetResult result = BuildSpreadsheet(RankedClass(), ExportSettings());
    ASSERT_EQ(result.error, "");
    const std::string workbook = Part(result.bytes, "xl/workbook.xml");
    EXPECT_NE(workbook.find("<sheet name=\"Canitorn\""), std::string::npos);
    const std::string core = Part(result.bytes, "docProps/core.xml");
    EXPECT_NE(core.find("<dc:title>Canitorn</dc:title>"), std::string::npos);
    EXPECT_NE(core.find("<dc:subject>in Halle Brakelund am 15.03.2007</dc:subject>"), std::string::npos);
    EXPECT_NE(core.find("<dc:creator>Kronolux Software</dc:creator>"), std::string::npos);
    EXPECT_NE(core.find("<dc:description>Erwin Mahlke</dc:description>"), std::string::npos);
    const std::string sheet = Part(result.bytes, "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet.find("orientation=\"landscape\""), std::string::npos);
    EXPECT_NE(sheet.find("<dimension ref=\"A1:Q4\"/>"), std::string::npos); // formatted up to column 17
}

// The cell's element without its style number: `t="inlineStr"` marks a string, a bare <v> a number.
std::string CellXml(const std::string& sheet, const std::string& ref) {
    const std::size_t start = sheet.find("<c r=\"" + ref + "\"");
    if (start == std::string::npos)
        return {};
    const std::size_t end = sheet.find("</c>", start);
    std::string cell = sheet.substr(start, end - start);
    const std::size_t style = cell.find(" s=\"");
    return cell.erase(style, cell.find('"', style + 4) - style + 1);
}

TEST(SpreadsheetExport, NumberTextsGoInAsNumbers_OtherTextsAsStrings) {
    const std::string sheet = Part(BuildSpreadsheet(RankedClass(), ExportSettings()).bytes, "xl/worksheets/sheet1.xml");
    EXPECT_EQ(CellXml(sheet, "F2"), "<c r=\"F2\"><v>45.07</v>");
    EXPECT_EQ(CellXml(sheet, "A3"), "<c r=\"A3\"><v>7</v>");
    EXPECT_EQ(CellXml(sheet, "L3"), "<c r=\"L3\"><v>3.51</v>");
    EXPECT_EQ(CellXml(sheet, "F4").find("<c r=\"F4\" t=\"inlineStr\">"), 0u); // DIS
    EXPECT_EQ(CellXml(sheet, "F1").find("<c r=\"F1\" t=\"inlineStr\">"), 0u); // the title stays a text
    EXPECT_NE(sheet.find("&lt;b&gt;Rex&lt;/b&gt; &amp; Co"), std::string::npos);
    EXPECT_NE(sheet.find("Łucja \"Lu\" Nowak"), std::string::npos);
}

TEST(SpreadsheetExport, TitlesAreBoldAndNumberColumnsHaveTwoDecimals) {
    const std::string styles = Part(BuildSpreadsheet(RankedClass(), ExportSettings()).bytes, "xl/styles.xml");
    EXPECT_NE(styles.find("formatCode=\"0.00\""), std::string::npos);
    EXPECT_NE(styles.find("<b/>"), std::string::npos);
}

struct NumberCase {
    const char* text;
    std::optional<double> number;
};

class CellNumberCases : public ::testing::TestWithParam<NumberCase> {};

TEST_P(CellNumberCases, OnlyTheStationsNumberTextsAreNumbers) {
    EXPECT_EQ(CellNumber(GetParam().text, ','), GetParam().number) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    SpreadsheetExport, CellNumberCases,
    ::testing::Values(NumberCase{"45,07", 45.07}, NumberCase{"7", 7.0}, NumberCase{"0", 0.0}, NumberCase{"0,00", 0.0},
                      NumberCase{"-1,5", -1.5}, NumberCase{"007", std::nullopt}, NumberCase{"DIS", std::nullopt},
                      NumberCase{"-", std::nullopt}, NumberCase{"", std::nullopt}, NumberCase{"1,2,3", std::nullopt},
                      NumberCase{"5,", std::nullopt}, NumberCase{",5", std::nullopt}, NumberCase{" 5", std::nullopt},
                      NumberCase{"1e5", std::nullopt}, NumberCase{"Sehr gut", std::nullopt},
                      // a double holds 15 digits exactly, no more
                      NumberCase{"123456789012345", 123456789012345.0}, NumberCase{"1234567890123456", std::nullopt},
                      NumberCase{"12345678901234567890", std::nullopt},
                      NumberCase{"1234567890123,45", 1234567890123.45}, NumberCase{"12345678901234,56", std::nullopt}));

TEST(SpreadsheetExport, SheetNames_AreMadeValid) {
    EXPECT_EQ(ValidSheetName("Canitorn"), "Canitorn");
    EXPECT_EQ(ValidSheetName("a[b]:c*?/\\d"), "abcd");
    EXPECT_EQ(ValidSheetName("'Hürde'"), "Hürde");
    EXPECT_EQ(ValidSheetName("ÄÖÜäöüßÄÖÜäöüßÄÖÜäöüßÄÖÜäöüßÄÖÜäöüß"), "ÄÖÜäöüßÄÖÜäöüßÄÖÜäöüßÄÖÜäöüßÄÖÜ");
    EXPECT_EQ(ValidSheetName("[]"), "Protokoll");
}

TEST(SpreadsheetExport, TitleWithMarkupAndUmlauts_IsKeptAsText) {
    Settings settings = ExportSettings();
    settings.Title = "Turnier <A&B> in Köln";
    const std::string core = Part(BuildSpreadsheet(RankedClass(), settings).bytes, "docProps/core.xml");
    EXPECT_NE(core.find("<dc:title>Turnier &lt;A&amp;B&gt; in Köln</dc:title>"), std::string::npos);
}

TEST(SpreadsheetExport, UnwritableTemporaryFolder_SaysSo) {
    const SpreadsheetResult result = BuildSpreadsheet(RankedClass(), ExportSettings(), "/nonexistent/caniparc");
    EXPECT_TRUE(result.bytes.empty());
    EXPECT_NE(result.error.find("Tabelle"), std::string::npos);
}

// Every element and text of an XML part, read to its end; false when it is not well formed or
// not valid UTF-8.
bool WellFormed(const std::string& xml) {
    if (!IsValidUtf8(xml))
        return false;
    XmlPull pull(xml);
    XmlPull::Event e;
    while ((e = pull.Next()) != XmlPull::Event::Done)
        if (e == XmlPull::Event::Error)
            return false;
    return true;
}

ProtocolTable OneStarter(const char* name) {
    ProtocolTable table;
    WriteColumnTitles(table);
    table.MutableRows() = {table.RowAt(0), testing::MakeRow({"7", name, " ", " ", "Small", "38,50"})};
    return table;
}

TEST(SpreadsheetExport, BadBytesAndControlCodesInTheProtocol_StillGiveAValidWorkbook) {
    Settings settings = ExportSettings();
    settings.Title = "Titel \xFF";
    const SpreadsheetResult result =
        BuildSpreadsheet(OneStarter("Rex \xC3\x28 \xED\xA0\x80 \x01 \xEF\xBF\xBE Ende"), settings);
    ASSERT_EQ(result.error, "");
    for (const char* part : {"xl/worksheets/sheet1.xml", "docProps/core.xml"})
        EXPECT_TRUE(WellFormed(Part(result.bytes, part))) << part << "\n" << Part(result.bytes, part);
    EXPECT_NE(Part(result.bytes, "xl/worksheets/sheet1.xml").find("Rex \xEF\xBF\xBD("), std::string::npos);
}

TEST(SpreadsheetExport, CellOverTheSheetsLimit_IsRefusedInGermanNamingIt) {
    const std::string longName(32768, 'a');
    const SpreadsheetResult result = BuildSpreadsheet(OneStarter(longName.c_str()), ExportSettings());
    EXPECT_TRUE(result.bytes.empty());
    EXPECT_EQ(result.error.find("Die Zelle B2 ist länger als 32767 Zeichen"), 0u) << result.error;
    EXPECT_EQ(BuildSpreadsheet(OneStarter(longName.substr(1).c_str()), ExportSettings()).error, "");
}

TEST(SpreadsheetExport, BlankOnlyCells_AreWrittenEmpty) {
    const std::string sheet =
        Part(BuildSpreadsheet(OneStarter("Rex"), ExportSettings()).bytes, "xl/worksheets/sheet1.xml");
    const std::size_t c2 = sheet.find("<c r=\"C2\"");
    ASSERT_NE(c2, std::string::npos);
    EXPECT_EQ(sheet[sheet.find('>', c2) - 1], '/') << sheet; // no value, no string
    EXPECT_EQ(CellXml(sheet, "B2").find("<c r=\"B2\" t=\"inlineStr\">"), 0u);
}

// The number format of a cell: its style's entry in the styles part.
std::string NumberFormatOf(const std::string& xlsx, const std::string& ref) {
    const std::string sheet = Part(xlsx, "xl/worksheets/sheet1.xml");
    const std::size_t at = sheet.find("<c r=\"" + ref + "\"");
    const std::size_t s = sheet.find(" s=\"", at);
    if (at == std::string::npos || s == std::string::npos || s > sheet.find('>', at))
        return "General";
    const int style = std::stoi(sheet.substr(s + 4));
    const std::string styles = Part(xlsx, "xl/styles.xml");
    XmlPull pull(styles);
    bool inCellXfs = false;
    int index = 0;
    std::map<std::string, std::string> codes{{"0", "General"}, {"1", "0"}, {"2", "0.00"}};
    for (auto e = pull.Next(); e != XmlPull::Event::Done && e != XmlPull::Event::Error; e = pull.Next()) {
        if (pull.Name() == "cellXfs")
            inCellXfs = e == XmlPull::Event::Start;
        else if (e == XmlPull::Event::Start && pull.Name() == "numFmt")
            codes[pull.Attribute("numFmtId")] = pull.Attribute("formatCode");
        else if (e == XmlPull::Event::Start && inCellXfs && pull.Name() == "xf" && index++ == style)
            return codes[pull.Attribute("numFmtId")];
    }
    return "?";
}

// The workbook writes each row out when the next begins: a cell written after its row is lost.
TEST(SpreadsheetExport, NumberColumnsBeyondTheShownOnes_KeepTwoDecimalsOnEveryRow) {
    const std::string xlsx = BuildSpreadsheet(RankedClass(), ExportSettings()).bytes; // columns A to M shown
    for (const char* cell : {"N1", "O2", "Q4"})
        EXPECT_EQ(NumberFormatOf(xlsx, cell), "0.00") << cell;
}

TEST(SpreadsheetExport, PlaceIsAWholeNumberAndSpeedHasTwoDecimals_InEveryLayout) {
    const std::string kWholeNumber = "0", kTwoDecimals = "0.00";
    for (const int runs : {1, 2}) {
        for (const bool bonus : {false, true}) {
            Settings settings = ExportSettings();
            settings.LaufCount = runs;
            settings.Bonus = bonus;
            const std::string xlsx = BuildSpreadsheet(RankedClass(), settings).bytes;
            const std::vector<int> shown = ShownColumns(settings);
            const auto letter = [&](int col) {
                const auto k = std::find(shown.begin(), shown.end(), col) - shown.begin();
                return std::string(1, static_cast<char>('A' + k));
            };
            EXPECT_EQ(NumberFormatOf(xlsx, letter(ColPlace) + "2"), kWholeNumber) << runs << bonus;
            EXPECT_EQ(NumberFormatOf(xlsx, letter(ColSpeed) + "2"), kTwoDecimals) << runs << bonus;
            EXPECT_EQ(NumberFormatOf(xlsx, letter(ColTime1) + "2"), kTwoDecimals) << runs << bonus;
        }
    }
}

} // namespace
} // namespace caniparc
