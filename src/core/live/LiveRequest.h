// Which answer a request to the live results gets. The HTTP parsing itself is the server
// library's; this decides on the method, the target (path and query) and the header size it
// reports, so that no request text reaches anything but this choice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace caniparc {

inline constexpr std::size_t kLiveRequestLimit = 8 * 1024; // request target, and all headers
inline constexpr std::int64_t kLiveHeadMs = 10000;         // time for one request's line and headers

enum class LiveRoute {
    Page,            // "/"
    Json,            // "/protokoll.json"
    Csv,             // "/protokoll.csv"
    Socket,          // "/live", the WebSocket
    NotFound,        // 404
    BadRequest,      // 400: not a path, or a malformed escape
    NotAllowed,      // 405: anything but GET and HEAD
    UriTooLong,      // 414
    HeadersTooLarge, // 431
    RequestTimeout,  // 408: a head that took too long to arrive
};

struct LiveRequest {
    LiveRoute route = LiveRoute::NotFound;
    std::string path; // decoded; empty unless the target was a valid path
};

// `method` as sent ("GET"), `target` the request target ("/protokoll.json?t=5"), `headerBytes`
// the size of all header names and values. The query is accepted and ignored (a poll adds
// one to pass caches).
LiveRequest ParseLiveRequest(std::string_view method, std::string_view target, std::size_t headerBytes);

// An answer made elsewhere than from the fixed routes (a program that serves pages of its own).
struct LiveAnswer {
    int status = 200;
    std::string contentType;
    std::string body;
};

// The HTTP status of a route (200 for the four answers).
int LiveStatus(LiveRoute route);

// Watches a connection's bytes as they arrive, before the HTTP library buffers them: each
// request's line and headers must end (with an empty line) within kLiveRequestLimit bytes and
// within a time. The live results take no request bodies, so whatever follows a head counts as
// the next head. Times are milliseconds on any clock the caller keeps.
class LiveHeadLimit {
public:
    // The first head's time runs from `openedAt`, the connection's start; a later one's from its
    // first byte, so a kept connection may wait between requests (the idle rule covers that).
    explicit LiveHeadLimit(std::int64_t openedAt = 0, std::int64_t headMs = kLiveHeadMs);

    // Page while within the limits; UriTooLong when the request line alone passes the size,
    // HeadersTooLarge when the head does, RequestTimeout when bytes come for a head that has
    // already taken longer than `headMs`. A refusal stays.
    LiveRoute Feed(std::string_view bytes, std::int64_t now);
    // RequestTimeout once the head in progress has taken longer than `headMs` at `now` (a client
    // that dribbles a byte now and then never gets there by itself); otherwise as before.
    LiveRoute Check(std::int64_t now);

private:
    std::int64_t headMs_;
    std::optional<std::int64_t> headSince_; // none between a head's end and the next byte
    std::size_t headBytes_ = 0;
    int lineEnds_ = 0; // line ends in a row, carriage returns aside; two end a head
    bool requestLineEnded_ = false;
    LiveRoute verdict_ = LiveRoute::Page;
};

} // namespace caniparc
