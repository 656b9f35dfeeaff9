// Choosing the answer to a live results request (see LiveRequest.h).
#include "live/LiveRequest.h"

#include "common/NumberText.h"

#include <optional>

namespace caniparc {
namespace {

// Percent-decodes a path; nullopt for a broken escape, a control character or a NUL, which no
// page of ours has and which only serve to confuse whatever reads the path later.
std::optional<std::string> DecodePath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        char c = path[i];
        if (c == '%') {
            if (path.size() - i < 3)
                return std::nullopt;
            const int high = HexDigit(path[i + 1]);
            const int low = HexDigit(path[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            c = static_cast<char>(high * 16 + low);
            i += 2;
        }
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return std::nullopt;
        out += c;
    }
    return out;
}

} // namespace

LiveRequest ParseLiveRequest(std::string_view method, std::string_view target, std::size_t headerBytes) {
    LiveRequest request;
    if (headerBytes > kLiveRequestLimit) {
        request.route = LiveRoute::HeadersTooLarge;
        return request;
    }
    if (target.size() > kLiveRequestLimit) {
        request.route = LiveRoute::UriTooLong;
        return request;
    }
    if (method != "GET" && method != "HEAD") {
        request.route = LiveRoute::NotAllowed;
        return request;
    }
    const std::size_t end = target.find_first_of("?#");
    const std::string_view rawPath = target.substr(0, end);
    if (rawPath.empty() || rawPath.front() != '/') {
        request.route = LiveRoute::BadRequest;
        return request;
    }
    const auto path = DecodePath(rawPath);
    if (!path) {
        request.route = LiveRoute::BadRequest;
        return request;
    }
    request.path = *path;
    if (request.path == "/" || request.path == "/index.html")
        request.route = LiveRoute::Page;
    else if (request.path == "/protokoll.json")
        request.route = LiveRoute::Json;
    else if (request.path == "/protokoll.csv")
        request.route = LiveRoute::Csv;
    else if (request.path == "/live")
        request.route = LiveRoute::Socket;
    else
        request.route = LiveRoute::NotFound;
    return request;
}

int LiveStatus(LiveRoute route) {
    switch (route) {
    case LiveRoute::Page:
    case LiveRoute::Json:
    case LiveRoute::Csv:
    case LiveRoute::Socket:
        return 200;
    case LiveRoute::NotFound:
        return 404;
    case LiveRoute::BadRequest:
        return 400;
    case LiveRoute::NotAllowed:
        return 405;
    case LiveRoute::UriTooLong:
        return 414;
    case LiveRoute::HeadersTooLarge:
        return 431;
    case LiveRoute::RequestTimeout:
        return 408;
    }
    return 400;
}

LiveHeadLimit::LiveHeadLimit(std::int64_t openedAt, std::int64_t headMs) : headMs_(headMs), headSince_(openedAt) {}

LiveRoute LiveHeadLimit::Check(std::int64_t now) {
    if (verdict_ == LiveRoute::Page && headSince_ && now - *headSince_ > headMs_)
        verdict_ = LiveRoute::RequestTimeout;
    return verdict_;
}

LiveRoute LiveHeadLimit::Feed(std::string_view bytes, std::int64_t now) {
    // Bytes that finish a head too late do not save it: the time was over before they came.
    Check(now);
    for (const char c : bytes) {
        if (verdict_ != LiveRoute::Page)
            break;
        // Any byte starts the clock, empty lines before a request line too: else a client could
        // send line ends slowly for ever without beginning a head.
        if (!headSince_)
            headSince_ = now;
        if (headBytes_ == 0 && (c == '\r' || c == '\n'))
            continue; // empty lines before a request line are allowed and take no room
        ++headBytes_;
        if (c == '\n') {
            ++lineEnds_;
            requestLineEnded_ = true;
        } else if (c != '\r') {
            lineEnds_ = 0;
        }
        if (headBytes_ > kLiveRequestLimit) {
            verdict_ = requestLineEnded_ ? LiveRoute::HeadersTooLarge : LiveRoute::UriTooLong;
        } else if (lineEnds_ == 2) { // the head is complete: the next byte starts the next one
            headSince_.reset();
            headBytes_ = 0;
            lineEnds_ = 0;
            requestLineEnded_ = false;
        }
    }
    return verdict_;
}

} // namespace caniparc
