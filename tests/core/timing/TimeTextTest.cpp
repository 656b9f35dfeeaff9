// Time texts: the hundredths rule, tenths mode, the literal comma and the round trip.
#include "timing/TimeText.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

constexpr double kNanoseconds = 1000.0; // counts per microsecond on Linux
constexpr std::int64_t kPerHundredth = 10'000'000;

struct TextCase {
    std::int64_t counts;
    int timeFormatIndex;
    const char* text;
};

class TicksToTimeTextTable : public ::testing::TestWithParam<TextCase> {};

TEST_P(TicksToTimeTextTable, WritesTheStoredForm) {
    const auto& c = GetParam();
    EXPECT_EQ(TicksToTimeText(c.counts, kNanoseconds, c.timeFormatIndex), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, TicksToTimeTextTable,
    ::testing::Values(TextCase{1234 * kPerHundredth, 1, "12,34"}, TextCase{1234 * kPerHundredth, 0, "12,3"},
                      TextCase{5 * kPerHundredth, 1, "0,05"}, TextCase{123456 * kPerHundredth, 1, "1234,56"},
                      TextCase{0, 1, "0,00"}, TextCase{0, 0, "0,0"},
                      // 12,349 s: 1234.9 hundredths round to 1235, tenths cut that to 12,3
                      TextCase{12'349'000'000, 0, "12,3"}, TextCase{12'349'000'000, 1, "12,35"},
                      // 12,5 and 13,5 hundredths: ties to even
                      TextCase{125 * kPerHundredth / 10, 1, "0,12"}, TextCase{135 * kPerHundredth / 10, 1, "0,14"},
                      // seconds cut to four characters
                      TextCase{1234567 * kPerHundredth, 1, "1234,67"}));

TEST(HundredthsOf, RoundsHalfToEvenForIntegerAndFractionalRates) {
    EXPECT_EQ(HundredthsOf(125 * kPerHundredth / 10, kNanoseconds), 12);
    EXPECT_EQ(HundredthsOf(135 * kPerHundredth / 10, kNanoseconds), 14);
    EXPECT_EQ(HundredthsOf(125 * kPerHundredth / 10 + 1, kNanoseconds), 13);
    // A performance-counter rate of 3.579545 counts per microsecond
    const double rate = 3.579545;
    EXPECT_EQ(HundredthsOf(static_cast<std::int64_t>(rate * 10'000 * 4242), rate), 4242);
    EXPECT_EQ(HundredthsOf(0, rate), 0);
}

TEST(TimeTextToTicks, ReadsTheCommaWhateverTheLocale) {
    EXPECT_EQ(TimeTextToTicks("12,34", kNanoseconds, '.'), 1234 * kPerHundredth);
    EXPECT_EQ(TimeTextToTicks("12,34", kNanoseconds, ','), 1234 * kPerHundredth);
    EXPECT_EQ(TimeTextToTicks("12.34", kNanoseconds, '.'), 1234 * kPerHundredth);
}

TEST(TimeTextToTicks, GivesZeroForTextsThatAreNoNumber) {
    for (const char* text : {"", "-", "DIS", "abc", "1e400", "nan"})
        EXPECT_EQ(TimeTextToTicks(text, kNanoseconds, ','), 0) << text;
}

TEST(TimeTextToTicks, RoundTripStaysWithinOneUnitOfTheFormat) {
    for (std::int64_t counts : {0LL, 1LL, 4'999'999LL, 12'349'000'000LL, 61'370'000'001LL, 599'999'999'999LL}) {
        for (int format : {0, 1}) {
            const auto back = TimeTextToTicks(TicksToTimeText(counts, kNanoseconds, format), kNanoseconds, ',');
            const std::int64_t unit = format == 1 ? kPerHundredth : 10 * kPerHundredth;
            EXPECT_LE(std::llabs(back - counts), unit) << counts << " format " << format;
        }
    }
}

} // namespace
} // namespace caniparc
