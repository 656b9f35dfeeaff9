// The .xlsx export, read back from its zip parts: what a spreadsheet program relies on.
#include "export/SpreadsheetExport.h"

#include "ExportFixtures.h"
#include "export/ZipArchive.h"

#include <gtest/gtest.h>

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

// The cell's element without its style number: `t="s"` marks a string, a bare <v> a number.
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
    EXPECT_EQ(CellXml(sheet, "F4").find("<c r=\"F4\" t=\"s\">"), 0u); // DIS
    EXPECT_EQ(CellXml(sheet, "F1").find("<c r=\"F1\" t=\"s\">"), 0u); // the title stays a text
    const std::string strings = Part(BuildSpreadsheet(RankedClass(), ExportSettings()).bytes, "xl/sharedStrings.xml");
    EXPECT_NE(strings.find("&lt;b&gt;Rex&lt;/b&gt; &amp; Co"), std::string::npos);
    EXPECT_NE(strings.find("Łucja \"Lu\" Nowak"), std::string::npos);
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

INSTANTIATE_TEST_SUITE_P(SpreadsheetExport, CellNumberCases,
                         ::testing::Values(NumberCase{"45,07", 45.07}, NumberCase{"7", 7.0}, NumberCase{"0", 0.0},
                                           NumberCase{"0,00", 0.0}, NumberCase{"-1,5", -1.5},
                                           NumberCase{"007", std::nullopt}, NumberCase{"DIS", std::nullopt},
                                           NumberCase{"-", std::nullopt}, NumberCase{"", std::nullopt},
                                           NumberCase{"1,2,3", std::nullopt}, NumberCase{"5,", std::nullopt},
                                           NumberCase{",5", std::nullopt}, NumberCase{" 5", std::nullopt},
                                           NumberCase{"1e5", std::nullopt}, NumberCase{"Sehr gut", std::nullopt}));

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

} // namespace
} // namespace caniparc
