// The board's pages (see BoardPages.h).
#include "board/BoardPages.h"

#include "live/LiveText.h"

#include <cmath>

namespace caniparc {

namespace {

constexpr const char* Style = R"(<style>
body{font-family:sans-serif;margin:0;padding:8px;background:#fff;color:#000}
h1{font-size:1.4em;margin:0 0 4px}h2{font-size:1.15em;margin:14px 0 4px}
.age{color:#444;font-size:.9em;margin:0 0 8px}
table{border-collapse:collapse;font-size:.9em}
th,td{border:1px solid #bbb;padding:2px 6px;text-align:left}th{background:#eee}
.on{color:#060;font-weight:bold}.off{color:#fff;background:#b00;font-weight:bold}
.ring{border:2px solid #333;border-radius:6px;padding:6px 10px;margin:0 0 10px}
.t{font-family:monospace;font-size:2em}.done{font-size:1.3em;font-weight:bold;color:#060}
ul{margin:2px 0;padding-left:20px}
</style>)";

std::string Head(const std::string& title, int refreshSeconds) {
    std::string out = "<!DOCTYPE html>\n<html lang=\"de\"><head><meta charset=\"utf-8\">\n"
                      "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">\n";
    if (refreshSeconds > 0)
        out += "<meta http-equiv=\"refresh\" content=\"" + std::to_string(refreshSeconds) + "\">\n";
    out += "<title>" + HtmlEscape(title) + "</title>\n" + Style + "</head><body>\n";
    return out;
}

std::string PageAge(const BoardClock& clock) {
    return "<p class=\"age\">Seite vom " + ClockText(clock.nowMs, clock) + "</p>\n";
}

std::string Cell(const std::string& text) {
    return "<td>" + HtmlEscape(text) + "</td>";
}

std::string OffsetText(const BoardRing& ring) {
    if (ring.LastMessageMs() == 0)
        return "-";
    // In tenths, so that a few milliseconds either way read as no offset rather than "-0,0".
    const std::int64_t tenths = std::llround(static_cast<double>(ring.ClockOffsetMs()) / 100.0);
    const std::int64_t size = tenths < 0 ? -tenths : tenths;
    const char* sign = tenths > 0 ? "+" : tenths < 0 ? "-" : "";
    return sign + std::to_string(size / 10) + "," + std::to_string(size % 10) + " s";
}

std::string ClassName(const BoardRing& ring) {
    std::string name = ring.Titles().title;
    if (!ring.Titles().category.empty())
        name += (name.empty() ? "" : " ") + ring.Titles().category;
    return name;
}

void AppendRingRow(std::string& out, const BoardRing& ring, const BoardClock& clock) {
    const RingStatus status = MakeRingStatus(ring, clock.nowMs);
    out += "<tr>" + Cell(ring.Name());
    out += status.online ? "<td class=\"on\">online</td>" : "<td class=\"off\">offline</td>";
    out += ring.LastMessageMs() == 0
               ? Cell("noch nichts")
               : Cell(ClockText(ring.LastMessageMs(), clock) + " (" + AgeText(ring.LastMessageMs(), clock) + ")");
    std::string backlog = std::to_string(status.behind);
    if (status.waiting > 0)
        backlog += " (" + std::to_string(status.waiting) + " wartend)";
    out += Cell(backlog) + Cell(OffsetText(ring)) + Cell(ClassName(ring)) + Cell(DataAgeText(ring.ChangedMs(), clock));
    out += "</tr>\n";
}

void AppendProtocol(std::string& out, const BoardRing& ring, const BoardClock& clock) {
    const std::string link = "/export/" + PathSegment(ring.Name());
    out += "<h2>" + HtmlEscape(ring.Name()) + ": " + HtmlEscape(ClassName(ring)) + "</h2>\n";
    out += "<p class=\"age\">" + HtmlEscape(DataAgeText(ring.ChangedMs(), clock)) + " &middot; Export: <a href=\"" +
           link + ".html\">Webseite</a> &middot; <a href=\"" + link + ".xlsx\">Excel (.xlsx)</a> &middot; <a href=\"" +
           link + ".docx\">Word (.docx)</a></p>\n";
    const LiveState state = MakeRingLiveState(ring, clock);
    out += "<table><tr>";
    for (const std::string& title : state.columns)
        out += "<th>" + HtmlEscape(title) + "</th>";
    out += "</tr>\n";
    for (const auto& row : state.rows) {
        out += "<tr>";
        for (const std::string& text : row)
            out += Cell(text);
        out += "</tr>\n";
    }
    out += "</table>\n";
}

void AppendIgnored(std::string& out, const ShowBoardIgnored& ignored) {
    out += "<p>Verworfene Nachrichten: " + std::to_string(ignored.Total());
    std::string parts;
    const auto part = [&parts](const std::string& text, std::size_t count) {
        if (count > 0)
            parts += (parts.empty() ? "" : ", ") + text + ": " + std::to_string(count);
    };
    part("falsches Thema", ignored.byReason[0]);
    for (std::size_t i = 1; i < ignored.byReason.size(); ++i)
        part(ShowReadErrorText(static_cast<ShowReadError>(i)), ignored.byReason[i]);
    part("zu viele Ringe", ignored.tooManyRings);
    if (!parts.empty())
        out += " (" + HtmlEscape(parts) + ")";
    out += "</p>\n";
}

void AppendStarters(std::string& out, const std::vector<SpeakerStarter>& starters, bool results) {
    out += "<ul>";
    for (const SpeakerStarter& s : starters) {
        out += "<li>Nr. " + HtmlEscape(s.startNumber) + " " + HtmlEscape(s.dog) + " &ndash; " + HtmlEscape(s.handler);
        if (results) {
            out += ": " + HtmlEscape(s.time) + " s";
            if (!s.result.empty())
                out += ", " + HtmlEscape(s.result);
            if (!s.place.empty())
                out += ", Rang " + HtmlEscape(s.place);
        }
        out += "</li>";
    }
    if (starters.empty())
        out += "<li>&ndash;</li>";
    out += "</ul>\n";
}

void AppendSpeakerRing(std::string& out, const BoardRing& ring, const BoardClock& clock) {
    const SpeakerRing view = MakeSpeakerRing(ring, clock.nowMs);
    out += "<div class=\"ring\"><h2>" + HtmlEscape(ring.Name()) + ": " + HtmlEscape(ClassName(ring)) + "</h2>\n";
    out += "<p class=\"age\">" + HtmlEscape(DataAgeText(ring.ChangedMs(), clock));
    if (!MakeRingStatus(ring, clock.nowMs).online)
        out += " &middot; <span class=\"off\">offline</span>";
    out += "</p>\n";
    if (view.finished)
        out += "<p class=\"done\">Klasse beendet</p>\n";
    for (const SpeakerLane& lane : view.onCourse)
        out += "<p>Bahn " + std::to_string(lane.lane) + ": Nr. " + HtmlEscape(lane.startNumber) + " " +
               HtmlEscape(lane.dog) + " &ndash; " + HtmlEscape(lane.handler) + " <span class=\"t\">" +
               HtmlEscape(lane.disqualified ? "DIS" : lane.time) + "</span> " + HtmlEscape(lane.state) + "</p>\n";
    if (view.onCourse.empty() && !view.finished)
        out += "<p>Niemand auf dem Parcours</p>\n";
    if (!view.finished) {
        out += "<b>Als Nächste</b>\n";
        AppendStarters(out, view.next, false);
    }
    out += "<b>Letzte Ergebnisse</b>\n";
    AppendStarters(out, view.last, true);
    out += "</div>\n";
}

} // namespace

std::string PathSegment(std::string_view text) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += Hex[u >> 4];
            out += Hex[u & 15];
        }
    }
    return out;
}

std::string OfficePageHtml(const ShowBoard& board, const BoardClock& clock, bool brokerConnected) {
    std::string out = Head("Ergebnisbüro – " + board.Show(), 5);
    out += "<h1>Ergebnisbüro &ndash; " + HtmlEscape(board.Show()) + "</h1>\n" + PageAge(clock);
    out += brokerConnected
               ? "<p>Broker: <span class=\"on\">verbunden</span></p>\n"
               : "<p>Broker: <span class=\"off\">getrennt &ndash; die Ringe sind nicht zu hören</span></p>\n";
    out += "<table><tr><th>Ring</th><th>Verbindung</th><th>Letzte Nachricht</th><th>Rückstand</th>"
           "<th>Uhrabweichung</th><th>Klasse</th><th>Stand</th></tr>\n";
    for (const auto& [name, ring] : board.Rings())
        AppendRingRow(out, ring, clock);
    out += "</table>\n";
    if (board.Rings().empty())
        out += "<p>Noch kein Ring gehört.</p>\n";
    AppendIgnored(out, board.Ignored());
    for (const auto& [name, ring] : board.Rings())
        AppendProtocol(out, ring, clock);
    out += "</body></html>\n";
    return out;
}

std::string SpeakerPageHtml(const ShowBoard& board, const BoardClock& clock) {
    std::string out = Head("Sprecher – " + board.Show(), 1);
    out += "<h1>Sprecher &ndash; " + HtmlEscape(board.Show()) + "</h1>\n" + PageAge(clock);
    for (const auto& [name, ring] : board.Rings())
        AppendSpeakerRing(out, ring, clock);
    if (board.Rings().empty())
        out += "<p>Noch kein Ring gehört.</p>\n";
    out += "</body></html>\n";
    return out;
}

std::string IndexPageHtml(const ShowBoard& board, const BoardClock& clock) {
    std::string out = Head("Live-Ergebnisse – " + board.Show(), 10);
    out += "<h1>Live-Ergebnisse &ndash; " + HtmlEscape(board.Show()) + "</h1>\n" + PageAge(clock);
    out += "<p>Ring wählen:</p>\n<ul>\n";
    for (const auto& [name, ring] : board.Rings())
        out += "<li><a href=\"/ring/" + PathSegment(name) + "\">" + HtmlEscape(name) + ": " +
               HtmlEscape(ClassName(ring)) + "</a> <span class=\"age\">" +
               HtmlEscape(DataAgeText(ring.ChangedMs(), clock)) + "</span></li>\n";
    if (board.Rings().empty())
        out += "<li>Noch kein Ring gehört.</li>\n";
    out += "</ul>\n<p><a href=\"/buero\">Ergebnisbüro</a> &middot; <a href=\"/sprecher\">Sprecher</a></p>\n";
    out += "</body></html>\n";
    return out;
}

} // namespace caniparc
