// The result page (see HtmlPage.h). The lines and their order are fixed: clubs post-process the
// page with their own scripts.
#include "export/HtmlPage.h"

#include "common/Encoding.h"
#include "export/ExportTable.h"
#include "protocol/ProtocolLayout.h"
#include "protocol/ProtocolTable.h"
#include "settings/Settings.h"

namespace caniparc {
namespace {

constexpr std::string_view kEol = "\r\n";

struct Palette {
    std::string_view title;  // the main heading and its symbol
    std::string_view place;  // the place and date line
    std::string_view credit; // the closing lines
};
constexpr Palette kScreen{"#FFFFFF", "#00FF00", "#F5F5F5"};
constexpr Palette kPaper{"#000000", "#006633", "#666666"};

class PageWriter {
public:
    void Line(std::string_view text) {
        out_ += text;
        out_ += kEol;
    }
    std::string& Out() { return out_; }

private:
    std::string out_;
};

void WriteHead(PageWriter& page, const Settings& settings) {
    page.Line("<HTML>");
    page.Line("<HEAD>");
    page.Line("<!-- Zeitenprotokoll von Kronolux Software -->");
    page.Line("<TITLE>" + HtmlText(settings.Title) + "</TITLE>");
    page.Line("<META name=keywords content=\"slalom, Zeitenprotokoll, kronolux, stopuhr, " +
              HtmlText(settings.ProgramTitle) + "\">");
    page.Line("<META name=description content=\"Kronolux professional software development for all\">");
    page.Line("<META http-equiv=Content-Type content=\"text/html; charset=iso-8859-1\">");
    page.Line("<META name=\"Webdesign\" content=\"Kronolux Software\">");
    page.Line("<script type=\"text/javascript\">");
    page.Line("window.defaultStatus = \"Kronolux Software - Zeitenprotokoll\";");
    page.Line("</script>");
    page.Line("<style>");
    page.Line("<!--");
    page.Line("body  {background-color: #666666; font-family: Arial, Helvetica; color: #FFFFFF; text-align: center}");
    page.Line("th    {background-color: #00CC66; border: #FFFFFF; border-style: solid; border-top-width: 1px; "
              "border-right-width: 1px; border-bottom-width: 1px; border-left-width: 1px}");
    page.Line("td    {border: #F4F4F4 solid; border-width: 1px 0px 0px 1px}");
    page.Line("table {  font-size: 12px; background-color: #FFFFFF; border-color: black #454545 #454545 black; "
              "border-style: solid; border-top-width: 0px; border-right-width: 3px; border-bottom-width: 3px; "
              "border-left-width: 0px; color: #333333}");
    page.Line("-->");
    page.Line("</style>");
    page.Line("</HEAD>");
}

void WriteCourseData(PageWriter& page, const ProtocolTable& table, const Settings& settings, const Palette& colours,
                     bool titlePicture) {
    const std::string title(colours.title);
    const std::string picture =
        titlePicture ? "<font face=Webdings size=7 color=" + title + "><u>&otilde;</u></font>&nbsp;" : "";
    page.Line("<body>");
    page.Line("<h1>" + picture + "<font color=\"" + title + "\">" + HtmlText(settings.Title) + "</font></h1>");
    page.Line("<h2><font color=" + std::string(colours.place) + ">" + HtmlText(settings.Title2) + "</font></h2>");
    page.Line("<table border=0 cellspacing=0 cellpadding=4 width=100%>");
    page.Line("  <colgroup valign=top> <col align=right> <col> </colgroup>");
    page.Line("  <tr>");
    page.Line("    <td><b>Richter:</b></td>");
    page.Line("    <td>" + HtmlText(settings.Title3) + "</td>");
    page.Line("  </tr>");
    page.Line("  <tr>");
    page.Line("    <td>Kategorie:</td>");
    page.Line("    <td><b>" + HtmlText(settings.Katego) + "</b>&nbsp;&nbsp;&nbsp;|&nbsp;&nbsp;&nbsp;");
    page.Line("\tAnzahl: " + std::to_string(table.RowCount() - 1) + "&nbsp;&nbsp;&nbsp;&nbsp;");
    page.Line("\tStandardzeit: " + std::to_string(settings.ZeitStandart) + " sek.&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;");
    page.Line("\tMaximalzeit: " + std::to_string(settings.ZeitMax) + " sek.&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;");
    page.Line("\tL&auml;nge: " + DistText(settings) + "&nbsp;&nbsp;&nbsp;&nbsp;");
    page.Line("\tm/sec.: " + SkorText(settings) + "</td>");
    page.Line("  </tr>");
    page.Line("</table>");
    page.Line("<br>");
}

void WriteResultTable(PageWriter& page, const ProtocolTable& table, const Settings& settings) {
    std::vector<int> columns{ColPlace};
    for (const int col : ShownColumns(settings)) {
        if (col != ColPlace)
            columns.push_back(col);
    }
    const auto percent = ColumnWidthPercent(settings.LaufCount);
    page.Line("<table border=0 cellpadding=4 width=100%>");
    page.Line("<colgroup valign=top><col align=right><col align=right><col align=left><col align=left>"
              "<col align=left><col align=left>");
    page.Line("<col align=right><col align=right><col align=right><col align=right><col align=right>");
    page.Line("<col align=right><col align=right><col align=right><col align=right><col align=right>");
    page.Line("<col align=center></colgroup>");
    page.Line("<thead align=left bgcolor=#91B5FF>");
    page.Line("<tr>");
    page.Line("");
    for (const int col : columns)
        page.Line("<th width=" + std::to_string(percent[col]) + "%>" + HtmlText(table.Cell(col, 0)));
    page.Line("</tr></thead>");
    for (int row = 1; row < table.RowCount(); ++row) {
        std::string& out = page.Out();
        out += "<tr>";
        for (const int col : columns) {
            out += "<td>";
            out += HtmlText(table.Cell(col, row));
        }
        out += "</tr>";
        out += kEol;
    }
    page.Line("</table>");
}

} // namespace

std::string HtmlText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char32_t c : CodePoints(utf8)) {
        if (const char* entity = MarkupEntity(c))
            out += entity;
        else if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
            out += static_cast<char>(c);
        else
            out += "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";";
    }
    return out;
}

std::string FormatHtmlPage(const ProtocolTable& table, const Settings& settings, bool forPaper, bool titlePicture) {
    const Palette& colours = forPaper ? kPaper : kScreen;
    const std::string credit(colours.credit);
    PageWriter page;
    WriteHead(page, settings);
    WriteCourseData(page, table, settings, colours, titlePicture);
    WriteResultTable(page, table, settings);
    page.Line("<hr><p align=right><font color=" + credit + " size=2>Erstellt mit dem Programm &quot;" +
              HtmlText(settings.ProgramTitle) + "&quot;.</font><br>");
    page.Line("<font color=" + credit + " size=1>Kronolux Software</font></p></body></html>");
    return std::move(page.Out());
}

std::filesystem::path HtmlPagePath(const Settings& settings) {
    return std::filesystem::path(settings.RezervDir + settings.ProgramTitle + ".html");
}

FileResult WriteHtmlPage(FileSystem& fs, const ProtocolTable& table, const Settings& settings,
                         const std::filesystem::path& path) {
    return WriteFileAtomically(fs, path, FormatHtmlPage(table, settings));
}

std::string HtmlWriteErrorText(const FileResult& result) {
    std::string text = "Der Schreibfehler der Datei: " + result.path;
    if (!result.Ok())
        text += " (" + ShortFileReason(result) + ")";
    return text;
}

} // namespace caniparc
