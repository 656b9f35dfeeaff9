// Choosing the board's answer to a request (see BoardRequest.h).
#include "board/BoardRequest.h"

#include "board/BoardPages.h"
#include "export/DocumentExport.h"
#include "export/HtmlPage.h"
#include "export/SpreadsheetExport.h"
#include "live/LivePage.h"

#include <utility>

namespace caniparc {

namespace {

constexpr std::string_view RingPrefix = "/ring/";
constexpr std::string_view ExportPrefix = "/export/";
constexpr std::string_view JsonSuffix = "/protokoll.json";

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

BoardRequest ParseExport(std::string_view file) {
    const std::pair<std::string_view, BoardRoute> kinds[] = {
        {".html", BoardRoute::ExportHtml}, {".xlsx", BoardRoute::ExportXlsx}, {".docx", BoardRoute::ExportDocx}};
    for (const auto& [suffix, route] : kinds)
        if (EndsWith(file, suffix) && file.size() > suffix.size())
            return {route, std::string(file.substr(0, file.size() - suffix.size()))};
    return {};
}

LiveAnswer Text(int status, std::string text) {
    return {status, "text/plain; charset=utf-8", std::move(text)};
}

LiveAnswer Export(BoardRoute route, const BoardRing& ring, const std::string& tmpFolder) {
    const RingClass made = MakeRingClass(ring);
    if (route == BoardRoute::ExportHtml) // the page is Latin-1, as the station writes it
        return {200, "text/html; charset=iso-8859-1", FormatHtmlPage(made.table, made.settings, false, false)};
    if (route == BoardRoute::ExportXlsx) {
        SpreadsheetResult sheet = BuildSpreadsheet(made.table, made.settings, tmpFolder);
        if (!sheet.error.empty())
            return Text(500, sheet.error + "\n");
        return {200, "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet", std::move(sheet.bytes)};
    }
    DocumentResult document = BuildDocument(made.table, made.settings);
    if (!document.error.empty())
        return Text(500, document.error + "\n");
    return {200, "application/vnd.openxmlformats-officedocument.wordprocessingml.document", std::move(document.bytes)};
}

} // namespace

BoardRequest ParseBoardPath(std::string_view path) {
    if (path == "/" || path == "/index.html")
        return {BoardRoute::Index, {}};
    if (path == "/buero")
        return {BoardRoute::Office, {}};
    if (path == "/sprecher")
        return {BoardRoute::Speaker, {}};
    if (path.substr(0, ExportPrefix.size()) == ExportPrefix) {
        const std::string_view file = path.substr(ExportPrefix.size());
        return file.find('/') == std::string_view::npos ? ParseExport(file) : BoardRequest{};
    }
    if (path.substr(0, RingPrefix.size()) != RingPrefix)
        return {};
    std::string_view rest = path.substr(RingPrefix.size());
    BoardRoute route = BoardRoute::RingPage;
    if (EndsWith(rest, JsonSuffix)) {
        rest.remove_suffix(JsonSuffix.size());
        route = BoardRoute::RingJson;
    }
    if (rest.empty() || rest.find('/') != std::string_view::npos)
        return {};
    return {route, std::string(rest)};
}

LiveAnswer AnswerBoard(const ShowBoard& board, const BoardContext& context, std::string_view path) {
    const BoardClock& clock = context.clock;
    const BoardRequest request = ParseBoardPath(path);
    constexpr const char* Html = "text/html; charset=utf-8";
    switch (request.route) {
    case BoardRoute::Index:
        return {200, Html, IndexPageHtml(board, clock)};
    case BoardRoute::Office:
        return {200, Html, OfficePageHtml(board, clock, context.brokerConnected)};
    case BoardRoute::Speaker:
        return {200, Html, SpeakerPageHtml(board, clock)};
    case BoardRoute::NotFound:
        return Text(404, "Nicht gefunden\n");
    default:
        break;
    }
    const auto it = board.Rings().find(request.ring);
    if (it == board.Rings().end())
        return Text(404, "Diesen Ring gibt es nicht\n");
    const BoardRing& ring = it->second;
    if (request.route == BoardRoute::RingPage) {
        // The page polls; the board's server keeps its WebSocket for a single station's state.
        LivePageOptions options{"/ring/" + PathSegment(ring.Name()), false, "/"};
        return {200, Html, LivePageHtml(MakeRingLiveState(ring, clock), options)};
    }
    if (request.route == BoardRoute::RingJson)
        return {200, "application/json; charset=utf-8", LiveStateJson(MakeRingLiveState(ring, clock))};
    return Export(request.route, ring, context.tmpFolder);
}

} // namespace caniparc
