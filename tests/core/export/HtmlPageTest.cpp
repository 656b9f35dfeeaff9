// The result page: its bytes against a page checked by hand, the columns it writes, and that no
// text of a starter list can become markup.
#include "export/HtmlPage.h"

#include "ExportFixtures.h"
#include "protocol/ProtocolTable.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace caniparc {
namespace {

using testing::ExportSettings;
using testing::RankedClass;
using testing::ReadBytes;

std::string HeaderCells(const std::string& page) {
    std::string cells;
    const std::regex th("<th width=([0-9]+)%>([^\r]*)\r\n");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), th); it != std::sregex_iterator(); ++it)
        cells += (*it)[2].str() + "=" + (*it)[1].str() + " ";
    return cells;
}

TEST(HtmlPage, RankedClass_MatchesThePageCheckedByHand) {
    const std::string page = FormatHtmlPage(RankedClass(), ExportSettings());
    EXPECT_EQ(page, ReadBytes(std::string(CANIPARC_EXPORT_DATA) + "/ranked-class.html"));
}

TEST(HtmlPage, OneRunWithoutBonus_WritesThePlaceFirstAndTheShownColumns) {
    EXPECT_EQ(HeaderCells(FormatHtmlPage(RankedClass(), ExportSettings())),
              "Rang=5 Nr.=4 Hundename=12 Hundef\xFChrer/in=15 Verband/Verein=12 Kat.=6 Zeit=6 PF=5 Vw=5 ZF=6 GF=6 "
              "Ges/Note=7 m/sec=5 ");
}

TEST(HtmlPage, TwoRunsWithBonus_WritesAllNineteenColumnsWithTheirPercents) {
    Settings settings = ExportSettings();
    settings.LaufCount = 2;
    settings.Bonus = true;
    ProtocolTable table = RankedClass();
    table.SetCell(ColDogName, 0, "Hund");
    EXPECT_EQ(HeaderCells(FormatHtmlPage(table, settings)),
              "Rang=5 Nr.=4 Hund=8 Hundef\xFChrer/in=15 Verband/Verein=6 Kat.=5 Zeit=5 PF=4 Vw=4 ZF=5 GF=5 Zeit2=5 "
              "PF=4 Vw=4 ZF=5 GF=5 B=2 Ges/Note=6 m/sec=5 ");
}

TEST(HtmlPage, EmptyProtocol_WritesOneEmptyRowAndCountsIt) {
    ProtocolTable table;
    WriteColumnTitles(table);
    const std::string page = FormatHtmlPage(table, ExportSettings());
    EXPECT_NE(page.find("\tAnzahl: 1&nbsp;"), std::string::npos);
    EXPECT_NE(page.find("\r\n<tr><td><td><td><td><td><td><td><td><td><td><td><td><td></tr>\r\n"), std::string::npos);
}

TEST(HtmlPage, CourseData_UsesTheLocaleSeparator) {
    Settings settings = ExportSettings();
    settings.DecimalSeparator = '.';
    settings.Dist = 180;
    settings.Skor = 3;
    const std::string page = FormatHtmlPage(RankedClass(), settings);
    EXPECT_NE(page.find("\tL&auml;nge: 180.00&nbsp;"), std::string::npos);
    EXPECT_NE(page.find("\tm/sec.: 3.00</td>\r\n"), std::string::npos);
}

struct EscapeCase {
    const char* typed;
    const char* written;
};

class HtmlTextCases : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(HtmlTextCases, ShowsAsTyped) {
    EXPECT_EQ(HtmlText(GetParam().typed), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(HtmlPage, HtmlTextCases,
                         ::testing::Values(EscapeCase{"<b>Rex</b> & Co", "&lt;b&gt;Rex&lt;/b&gt; &amp; Co"},
                                           EscapeCase{"\"Lu\"", "&quot;Lu&quot;"},
                                           EscapeCase{"Jürgen Müller", "J\xFCrgen M\xFCller"},
                                           EscapeCase{"Łucja", "&#321;ucja"}, EscapeCase{"5 €", "5 &#8364;"},
                                           EscapeCase{"\xFF", "&#65533;"}, EscapeCase{"&#60;", "&amp;#60;"}));

TEST(HtmlPage, SettingsTexts_AreEscapedToo) {
    Settings settings = ExportSettings();
    settings.Title = "<script>x</script>";
    settings.Title3 = "Dvořák";
    const std::string page = FormatHtmlPage(RankedClass(), settings);
    EXPECT_EQ(page.find("<script>x"), std::string::npos);
    EXPECT_NE(page.find("<TITLE>&lt;script&gt;x&lt;/script&gt;</TITLE>"), std::string::npos);
    EXPECT_NE(page.find("<td>Dvo&#345;\xE1k</td>"), std::string::npos);
}

TEST(HtmlPage, PrintedPage_DiffersOnlyInDarkTitleAndCreditColours) {
    Settings settings = ExportSettings();
    settings.Title = "color=#FFFFFF";
    std::string screen = FormatHtmlPage(RankedClass(), settings);
    const std::string paper = FormatHtmlPage(RankedClass(), settings, true);
    for (const auto& [light, dark] :
         {std::pair{"color=#FFFFFF>", "color=#000000>"}, std::pair{"color=\"#FFFFFF\"", "color=\"#000000\""},
          std::pair{"color=#00FF00", "color=#006633"}, std::pair{"color=#F5F5F5", "color=#666666"},
          std::pair{"color=#F5F5F5", "color=#666666"}})
        screen.replace(screen.find(light), std::string_view(light).size(), dark);
    EXPECT_EQ(paper, screen);
    EXPECT_NE(paper.find("<TITLE>color=#FFFFFF</TITLE>"), std::string::npos); // the typed title is untouched
    const std::string plain = FormatHtmlPage(RankedClass(), settings, true, false);
    EXPECT_EQ(plain.find("Webdings"), std::string::npos);
    EXPECT_NE(plain.find("<h1><font color=\"#000000\">color=#FFFFFF</font></h1>"), std::string::npos);
}

TEST(HtmlPage, PagePath_IsInTheBackupFolder) {
    EXPECT_EQ(HtmlPagePath(ExportSettings()), std::filesystem::path("/tmp/backup/Canitorn.html"));
}

TEST(HtmlPage, WriteIntoAMissingFolder_SaysWhichFile) {
    const auto fs = MakeLocalFileSystem();
    const auto path = std::filesystem::temp_directory_path() / "caniparc-no-such-folder" / "x" / "Canitorn.html";
    const FileResult result = WriteHtmlPage(*fs, RankedClass(), ExportSettings(), path);
    ASSERT_FALSE(result.Ok());
    EXPECT_EQ(HtmlWriteErrorText(result).rfind("Der Schreibfehler der Datei: " + path.string(), 0), 0u);
}

} // namespace
} // namespace caniparc
