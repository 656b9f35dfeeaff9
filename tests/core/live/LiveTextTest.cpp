// Escaping of names and titles before they reach phones: markup and script stay text.
#include "live/LiveText.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

struct EscapeCase {
    const char* in;
    const char* html;
    const char* json;
};

class LiveEscape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(LiveEscape, MarkupAndQuotesBecomeText) {
    EXPECT_EQ(HtmlEscape(GetParam().in), GetParam().html);
    EXPECT_EQ(JsonEscape(GetParam().in), GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LiveEscape,
    ::testing::Values(EscapeCase{"Rex", "Rex", "Rex"},
                      EscapeCase{"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;",
                                 "\\u003cscript\\u003ealert(1)\\u003c/script\\u003e"},
                      EscapeCase{"Tom & \"Jerry\"", "Tom &amp; &quot;Jerry&quot;", "Tom \\u0026 \\\"Jerry\\\""},
                      EscapeCase{"O'Neill", "O&#39;Neill", "O'Neill"}, EscapeCase{"a\\b", "a\\b", "a\\\\b"},
                      EscapeCase{"Zeile\r\n\tTab\x01", "Zeile\r\n\tTab\x01", "Zeile\\r\\n\\tTab\\u0001"},
                      EscapeCase{"Hundeführer/in", "Hundeführer/in", "Hundeführer/in"},
                      EscapeCase{"a\xE2\x80\xA8"
                                 "b",
                                 "a\xE2\x80\xA8"
                                 "b",
                                 "a\\u2028b"},
                      // A stray byte of an old file must not eat the quote after it.
                      EscapeCase{"x\xC3\"", "x\xEF\xBF\xBD&quot;", "x\xEF\xBF\xBD\\\""}));

} // namespace
} // namespace caniparc
