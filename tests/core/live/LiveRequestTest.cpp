// The choice of answer for each request: only GET/HEAD of four known paths, within the limits.
#include "live/LiveRequest.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(LiveRequest, StatusCodes) {
    EXPECT_EQ(LiveStatus(LiveRoute::Json), 200);
    EXPECT_EQ(LiveStatus(LiveRoute::NotAllowed), 405);
    EXPECT_EQ(LiveStatus(LiveRoute::UriTooLong), 414);
    EXPECT_EQ(LiveStatus(LiveRoute::HeadersTooLarge), 431);
}

} // namespace
} // namespace caniparc
