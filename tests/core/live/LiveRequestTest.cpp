// The choice of answer for each request: only GET/HEAD of four known paths, within the limits.
#include "live/LiveRequest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace caniparc {
namespace {

struct RequestCase {
    std::string method;
    std::string target;
    std::size_t headerBytes;
    LiveRoute route;
};

class LiveRequestRoutes : public ::testing::TestWithParam<RequestCase> {};

TEST_P(LiveRequestRoutes, ChoosesTheAnswer) {
    const RequestCase& c = GetParam();
    EXPECT_EQ(ParseLiveRequest(c.method, c.target, c.headerBytes).route, c.route) << c.method << " " << c.target;
}

INSTANTIATE_TEST_SUITE_P(
    Requests, LiveRequestRoutes,
    ::testing::Values(
        RequestCase{"GET", "/", 100, LiveRoute::Page}, RequestCase{"HEAD", "/", 100, LiveRoute::Page},
        RequestCase{"GET", "/index.html", 100, LiveRoute::Page},
        RequestCase{"GET", "/protokoll.json", 100, LiveRoute::Json},
        RequestCase{"GET", "/protokoll.json?t=1765238400", 100, LiveRoute::Json},
        RequestCase{"GET", "/protokoll.csv", 100, LiveRoute::Csv}, RequestCase{"GET", "/live", 100, LiveRoute::Socket},
        RequestCase{"GET", "/%70rotokoll.json", 100, LiveRoute::Json},
        RequestCase{"GET", "/PROTOKOLL.JSON", 100, LiveRoute::NotFound},
        RequestCase{"GET", "/../etc/passwd", 100, LiveRoute::NotFound},
        RequestCase{"GET", "/%2e%2e/Canitorn-Sicherungsdatei.txt", 100, LiveRoute::NotFound},
        RequestCase{"GET", "/favicon.ico", 100, LiveRoute::NotFound},
        RequestCase{"GET", "", 100, LiveRoute::BadRequest},
        RequestCase{"GET", "http://host/", 100, LiveRoute::BadRequest},
        RequestCase{"GET", "/%", 100, LiveRoute::BadRequest}, RequestCase{"GET", "/%4", 100, LiveRoute::BadRequest},
        RequestCase{"GET", "/%zz", 100, LiveRoute::BadRequest},
        RequestCase{"GET", "/a%00b", 100, LiveRoute::BadRequest},
        RequestCase{"GET", "/a%0d%0aSet-Cookie:x", 100, LiveRoute::BadRequest},
        RequestCase{"POST", "/protokoll.json", 100, LiveRoute::NotAllowed},
        RequestCase{"PUT", "/", 100, LiveRoute::NotAllowed},
        RequestCase{"DELETE", "/protokoll.csv", 100, LiveRoute::NotAllowed},
        RequestCase{"get", "/", 100, LiveRoute::NotAllowed}, RequestCase{"GET", "/", 8 * 1024, LiveRoute::Page},
        RequestCase{"GET", "/", 8 * 1024 + 1, LiveRoute::HeadersTooLarge},
        RequestCase{"GET", "/" + std::string(8 * 1024 - 1, 'a'), 100, LiveRoute::NotFound},
        RequestCase{"GET", "/" + std::string(8 * 1024, 'a'), 100, LiveRoute::UriTooLong},
        RequestCase{"POST", "/" + std::string(9000, 'a'), 9000, LiveRoute::HeadersTooLarge}));

// What a connection sends when, in milliseconds from its opening.
struct Sent {
    std::int64_t at;
    std::string bytes;
};

struct TimeCase {
    const char* name;
    std::vector<Sent> sent;
    std::int64_t checkedAt; // the server's timer looks then
    LiveRoute verdict;
};

// `bytes` one at a time, `gap` ms apart from `from` on.
std::vector<Sent> Dribble(const std::string& bytes, std::int64_t from, std::int64_t gap) {
    std::vector<Sent> sent;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        sent.push_back({from + static_cast<std::int64_t>(i) * gap, bytes.substr(i, 1)});
    return sent;
}

std::vector<Sent> operator+(std::vector<Sent> a, const std::vector<Sent>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class LiveHeadTimes : public ::testing::TestWithParam<TimeCase> {};

TEST_P(LiveHeadTimes, EachHeadHasItsTime) {
    const TimeCase& c = GetParam();
    LiveHeadLimit limit(1000, 10000); // the connection opened at 1 s
    LiveRoute verdict = LiveRoute::Page;
    for (const Sent& s : c.sent)
        verdict = limit.Feed(s.bytes, s.at);
    if (verdict == LiveRoute::Page)
        verdict = limit.Check(c.checkedAt);
    EXPECT_EQ(verdict, c.verdict) << c.name;
}

const std::string kHead = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Times, LiveHeadTimes,
    ::testing::Values(
        TimeCase{"a head at once", {{1500, kHead}}, 900000, LiveRoute::Page},
        TimeCase{"silent up to the limit", {}, 11000, LiveRoute::Page},
        TimeCase{"silent past the limit", {}, 11001, LiveRoute::RequestTimeout},
        TimeCase{"the first head's time runs from the opening",
                 {{10000, "GET / HTTP/1.1\r\n"}},
                 11001,
                 LiveRoute::RequestTimeout},
        TimeCase{"a byte every 9 s is never idle but too slow", Dribble(kHead, 1000, 9000), 0,
                 LiveRoute::RequestTimeout},
        TimeCase{"a dribbled head within the time", Dribble(kHead, 1000, 10000 / (kHead.size() - 1)), 11000,
                 LiveRoute::Page},
        TimeCase{"the end of a head after its time does not save it",
                 {{1000, "GET / HTTP/1.1\r\n"}, {11001, "\r\n"}},
                 11001,
                 LiveRoute::RequestTimeout},
        TimeCase{"waiting between requests is not a head", {{1000, kHead}, {60000, kHead}}, 69000, LiveRoute::Page},
        TimeCase{"a later head's time runs from its first byte",
                 {{1000, kHead}, {60000, "GET / HTTP/1.1\r\n"}, {70000, "\r\n"}},
                 70000,
                 LiveRoute::Page},
        TimeCase{"a later head may not take longer",
                 {{1000, kHead}, {60000, "GET / HTTP/1.1\r\n"}},
                 70001,
                 LiveRoute::RequestTimeout},
        TimeCase{
            "a head and the start of the next in one piece", {{1000, kHead + "GET"}}, 11001, LiveRoute::RequestTimeout},
        TimeCase{"empty lines alone, slowly, are a head too",
                 std::vector<Sent>{{1000, kHead}} + Dribble("\r\n\r\n\r\n", 20000, 2500), 32501,
                 LiveRoute::RequestTimeout},
        TimeCase{
            "a size refusal stays one", {{1000, "GET /" + std::string(9000, 'a')}}, 900000, LiveRoute::UriTooLong}));

TEST(LiveRequest, StatusCodes) {
    EXPECT_EQ(LiveStatus(LiveRoute::Json), 200);
    EXPECT_EQ(LiveStatus(LiveRoute::NotAllowed), 405);
    EXPECT_EQ(LiveStatus(LiveRoute::UriTooLong), 414);
    EXPECT_EQ(LiveStatus(LiveRoute::HeadersTooLarge), 431);
    EXPECT_EQ(LiveStatus(LiveRoute::RequestTimeout), 408);
}

// A head of exactly `size` bytes from its request line to its empty line.
std::string Head(std::size_t size) {
    const std::string start = "GET / HTTP/1.1\r\nX-A: ";
    return start + std::string(size - start.size() - 4, 'a') + "\r\n\r\n";
}

struct HeadCase {
    const char* name;
    std::string bytes;
    LiveRoute verdict;
};

class LiveHeadLimits : public ::testing::TestWithParam<HeadCase> {};

// The same verdict however the bytes are split as they arrive.
TEST_P(LiveHeadLimits, HoldsWhereverTheBytesAreSplit) {
    const HeadCase& c = GetParam();
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, c.bytes.size()}) {
        LiveHeadLimit limit;
        LiveRoute verdict = LiveRoute::Page;
        for (std::size_t at = 0; at < c.bytes.size(); at += piece)
            verdict = limit.Feed(std::string_view(c.bytes).substr(at, piece), 0);
        EXPECT_EQ(verdict, c.verdict) << c.name << ", pieces of " << piece;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Heads, LiveHeadLimits,
    ::testing::Values(
        HeadCase{"a small request", "GET / HTTP/1.1\r\nHost: x\r\n\r\n", LiveRoute::Page},
        HeadCase{"a head of the limit", Head(kLiveRequestLimit), LiveRoute::Page},
        HeadCase{"a head one byte over", Head(kLiveRequestLimit + 1), LiveRoute::HeadersTooLarge},
        HeadCase{"a head without its end",
                 Head(kLiveRequestLimit).substr(0, kLiveRequestLimit - 2) + std::string(10, 'b'),
                 LiveRoute::HeadersTooLarge},
        HeadCase{"a request line of the limit", std::string(kLiveRequestLimit, 'a'), LiveRoute::Page},
        HeadCase{"a request line one over", std::string(kLiveRequestLimit + 1, 'a'), LiveRoute::UriTooLong},
        HeadCase{"heads of a kept connection each count alone", Head(6000) + Head(6000) + Head(8000), LiveRoute::Page},
        HeadCase{"bare line feeds end a head too",
                 [] {
                     std::string s;
                     for (int i = 0; i < 2000; ++i)
                         s += "GET / HTTP/1.0\n\n";
                     return s;
                 }(),
                 LiveRoute::Page},
        HeadCase{"empty lines before a request", std::string(20000, '\n') + Head(100), LiveRoute::Page},
        HeadCase{"carriage returns alone end nothing", "GET / HTTP/1.1\r\nX-A: " + std::string(9000, '\r'),
                 LiveRoute::HeadersTooLarge},
        HeadCase{"a refusal stays", Head(kLiveRequestLimit + 1) + Head(100), LiveRoute::HeadersTooLarge}));

} // namespace
} // namespace caniparc
