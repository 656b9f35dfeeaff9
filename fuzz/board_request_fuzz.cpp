// Feeds arbitrary requests to the show board, holding a ring with an arbitrary name, as a phone on
// the network and a station on the broker could send them. Input: a byte choosing the method,
// the ring's name up to the first line end, then the request target. Besides not crashing: a ring
// is reached only by its exact path, every page escapes the ring's name, and the links the pages
// give to a ring (after a browser's dot-segment rules) reach that ring.
#include "board/BoardPages.h"
#include "board/BoardRequest.h"
#include "show/ShowTopics.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace caniparc;

namespace {

constexpr std::int64_t Now = 1'700'000'000'000;

void Check(bool ok) {
    if (!ok)
        std::abort();
}

// The path a ring's route was parsed from, built again from its parts.
std::string PathOf(const BoardRequest& request) {
    switch (request.route) {
    case BoardRoute::RingPage:
        return "/ring/" + request.ring;
    case BoardRoute::RingJson:
        return "/ring/" + request.ring + "/protokoll.json";
    case BoardRoute::ExportHtml:
        return "/export/" + request.ring + ".html";
    case BoardRoute::ExportXlsx:
        return "/export/" + request.ring + ".xlsx";
    case BoardRoute::ExportDocx:
        return "/export/" + request.ring + ".docx";
    default:
        return {};
    }
}

// A link as a browser sends it: a segment "." or ".." (also escaped as %2e) is taken as a
// step within the path, so such a link never reaches what it names.
bool DotSegment(std::string_view segment) {
    std::string plain;
    for (std::size_t i = 0; i < segment.size(); ++i) {
        if (segment.substr(i, 3) == "%2E" || segment.substr(i, 3) == "%2e") {
            plain += '.';
            i += 2;
        } else {
            plain += segment[i];
        }
    }
    return plain == "." || plain == "..";
}

void CheckLink(const ShowBoard& board, const std::string& segment, const std::string& prefix, const std::string& suffix,
               const std::string& ring, BoardRoute route) {
    Check(!DotSegment(segment));
    const LiveRequest request = ParseLiveRequest("GET", prefix + segment + suffix, 0);
    const BoardRequest parsed = ParseBoardPath(request.path);
    Check(parsed.route == route && parsed.ring == ring);
    if (route == BoardRoute::RingPage)
        Check(AnswerBoard(board, {{Now, 0}, true, {}}, request.path).status == 200);
}

// The ring `name` as a station's snapshot gives it, the name in every text.
void Hold(ShowBoard& board, const std::string& name) {
    ShowRow row;
    row[ColStartNr] = "1";
    row[ColDogName] = name;
    const std::string snapshot = WriteShowMessage(SnapshotMessage{1, 0, Now, {name, name, name, name}, {}, {row}});
    board.Receive(RingTopicName("Cup", name, RingTopic::Snapshot), snapshot, Now);
}

// How many characters of markup a page has; escaped text adds none.
std::size_t Markup(const std::string& page) {
    std::size_t count = 0;
    for (const char c : page)
        count += c == '<' || c == '>' || c == '"';
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view all(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t cut = all.find('\n');
    const std::string name(all.substr(0, cut));
    const std::string_view target = cut == std::string_view::npos ? std::string_view() : all.substr(cut + 1);

    ShowBoard board("Cup");
    Hold(board, name);
    Check(board.Rings().count(name) == (ValidShowName(name) ? 1u : 0u));

    const std::string_view methods[] = {"GET", "HEAD", "POST", "get"};
    const LiveRequest request = ParseLiveRequest(methods[data[0] % 4], target, data[0]);
    const BoardRequest parsed = ParseBoardPath(request.path);
    if (!PathOf(parsed).empty()) {
        Check(!parsed.ring.empty() && parsed.ring.find('/') == std::string::npos);
        Check(PathOf(parsed) == request.path);
    } else {
        Check(parsed.ring.empty());
    }
    const BoardContext context{{Now + data[0] * 1000, 3'600'000}, data[0] % 2 == 0, {}};
    const bool heavy = parsed.route == BoardRoute::ExportXlsx || parsed.route == BoardRoute::ExportDocx;
    if (!request.path.empty() && !heavy) {
        const LiveAnswer answer = AnswerBoard(board, context, request.path);
        const bool known = board.Rings().count(parsed.ring) != 0;
        Check(answer.status ==
              (parsed.route == BoardRoute::NotFound || (!PathOf(parsed).empty() && !known) ? 404 : 200));
    }

    // Every page names the ring as text only: its markup is the same as for a plain name.
    if (board.Rings().count(name) && name.find_first_of("<>\"&") != std::string::npos) {
        ShowBoard plain("Cup");
        Hold(plain, "x");
        Check(Markup(OfficePageHtml(board, context.clock)) == Markup(OfficePageHtml(plain, context.clock)));
        Check(Markup(SpeakerPageHtml(board, context.clock)) == Markup(SpeakerPageHtml(plain, context.clock)));
        Check(Markup(IndexPageHtml(board, context.clock)) == Markup(IndexPageHtml(plain, context.clock)));
    }
    for (const auto& [ring, held] : board.Rings()) {
        const std::string segment = PathSegment(ring);
        CheckLink(board, segment, "/ring/", "", ring, BoardRoute::RingPage);
        CheckLink(board, segment, "/ring/", "/protokoll.json", ring, BoardRoute::RingJson);
        CheckLink(board, segment, "/export/", ".html", ring, BoardRoute::ExportHtml);
        CheckLink(board, segment, "/export/", ".xlsx", ring, BoardRoute::ExportXlsx);
    }
    return 0;
}
