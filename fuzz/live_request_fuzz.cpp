// Feeds arbitrary requests to the live results' request choice and arbitrary texts to its
// escaping. Besides not crashing: only the four fixed paths get an answer of their own, an
// escaped text can never open markup or end a JSON string, and the head limit on arriving bytes
// gives the same verdict however the bytes are split.
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

    LiveHeadLimit whole, pieces;
    const LiveRoute once = whole.Feed(target);
    LiveRoute split = LiveRoute::Page;
    const std::size_t piece = data[0] % 13 + 1;
    for (std::size_t at = 0; at < target.size(); at += piece)
        split = pieces.Feed(target.substr(at, piece));
    if (once != split || (once != LiveRoute::Page && target.size() <= kLiveRequestLimit))
        std::abort();
    return 0;
}
