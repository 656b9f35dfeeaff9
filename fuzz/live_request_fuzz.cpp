// Feeds arbitrary requests to the live results' request choice and arbitrary texts to its
// escaping. Besides not crashing: only the four fixed paths get an answer of their own, an
// escaped text can never open markup or end a JSON string, and the head limit on arriving bytes
// gives the same verdict however the bytes are split, refusing for time only what took too long.
#include "common/Encoding.h"
#include "live/LiveRequest.h"
#include "live/LiveText.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace caniparc;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const std::string_view methods[] = {"GET", "HEAD", "POST", "get", ""};
    const std::string_view method = methods[data[0] % 5];
    const std::string_view target = all.substr(1);
    const LiveRequest request = ParseLiveRequest(method, target, size * 3);
    switch (request.route) {
    case LiveRoute::Page:
        if (request.path != "/" && request.path != "/index.html")
            std::abort();
        break;
    case LiveRoute::Json:
        if (request.path != "/protokoll.json")
            std::abort();
        break;
    case LiveRoute::Csv:
        if (request.path != "/protokoll.csv")
            std::abort();
        break;
    case LiveRoute::Socket:
        if (request.path != "/live")
            std::abort();
        break;
    default:
        break;
    }
    if (request.route != LiveRoute::NotAllowed && request.route != LiveRoute::HeadersTooLarge &&
        request.route != LiveRoute::UriTooLong && method != "GET" && method != "HEAD")
        std::abort();

    const std::string html = HtmlEscape(target);
    const std::string json = JsonEscape(target);
    if (html.find_first_of("<>\"'") != std::string::npos || !IsValidUtf8(html))
        std::abort();
    if (json.find_first_of("<>&") != std::string::npos || !IsValidUtf8(json))
        std::abort();
    for (std::size_t i = 0; i < json.size(); ++i) {
        if (static_cast<unsigned char>(json[i]) < 0x20)
            std::abort();
        if (json[i] == '"' && (i == 0 || json[i - 1] != '\\'))
            std::abort(); // an unescaped quote would end the string
        if (json[i] == '\\')
            ++i; // the escaped character
    }

    // Pieces arrive `step` ms apart against a time of `headMs`: the size verdict must not
    // depend on the split, and time refuses only what really took longer than allowed.
    LiveHeadLimit whole(0, kLiveHeadMs);
    const LiveRoute once = whole.Feed(target, 0);
    const std::size_t piece = data[0] % 13 + 1;
    const std::int64_t step = data[0] % 5;
    const std::int64_t headMs = data[0] % 7 * 10;
    LiveHeadLimit pieces(0, headMs);
    LiveRoute split = LiveRoute::Page;
    std::int64_t now = 0;
    for (std::size_t at = 0; at < target.size(); at += piece, now += step)
        split = pieces.Feed(target.substr(at, piece), now);
    if (once == LiveRoute::RequestTimeout || (once != LiveRoute::Page && target.size() <= kLiveRequestLimit))
        std::abort();
    const std::int64_t last = now - step;
    if (split == LiveRoute::RequestTimeout ? last <= headMs : split != once)
        std::abort();
    // However it went, once the time is over nothing passes but a complete head.
    if (pieces.Check(last + headMs + 1) == LiveRoute::Page && !target.empty() && target.back() != '\n')
        std::abort();
    return 0;
}
