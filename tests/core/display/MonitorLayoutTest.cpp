// The spectators' display's arithmetic: a full-HD monitor worked by hand, and for common
// monitor sizes the invariants a spectator sees (everything on screen, no overlaps, equal
// digits).
#include "display/MonitorLayout.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

TEST(MonitorLayoutTest, FullHdMonitorWorkedByHand) {
    const MonitorLayout m = LayoutMonitor(1920, 1080);
    EXPECT_NEAR(m.scale, 1920.0 / 374.0, 1e-12);
    EXPECT_EQ(m.stripFontPixels, 98); // 19 px x 5.13
    EXPECT_EQ(m.stripHeight, 98);
    EXPECT_EQ(m.titleHeight, 113); // x 1.15
    EXPECT_EQ(m.digitHeight, 336); // (1080 - 98 - 113 - 196) / 2
    EXPECT_EQ(m.strip1Top, 113);
    EXPECT_EQ(m.rows[0].digits[0], (PixelRect{62, 211, 282, 336}));
    EXPECT_EQ(m.rows[0].digits[4], (PixelRect{1499, 211, 282, 336}));
    EXPECT_EQ(m.rows[1].digits[0].top, 695); // 1080 - 336 - 98 / 2
    EXPECT_EQ(m.strip2Top, 597);
    EXPECT_EQ(m.rows[0].comma, (PixelRect{1047, 244, 129, 416})); // 211 + 336 - 416 * 73 / 100
    EXPECT_EQ(m.rows[1].comma.top, 244 + 695 - 211);
    EXPECT_EQ(m.thickness, 31);
    EXPECT_EQ(m.commaFontPixels, 329);
}

class MonitorSizes : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(MonitorSizes, EverythingOnScreenWithoutOverlaps) {
    const auto [w, h] = GetParam();
    const MonitorLayout m = LayoutMonitor(w, h);
    ASSERT_GT(m.digitHeight, 0);
    EXPECT_LE(m.titleHeight, m.strip1Top);
    EXPECT_LE(m.strip1Top + m.stripHeight, m.rows[0].digits[0].top);
    EXPECT_LE(m.rows[0].digits[0].top + m.digitHeight, m.strip2Top);
    EXPECT_LE(m.strip2Top + m.stripHeight, m.rows[1].digits[0].top);
    EXPECT_LE(m.rows[1].digits[0].top + m.digitHeight, h);
    for (const MonitorRow& row : m.rows) {
        for (std::size_t i = 0; i < 5; ++i) {
            const PixelRect& d = row.digits[i];
            EXPECT_GE(d.left, 0);
            EXPECT_LE(d.left + d.width, w);
            EXPECT_NEAR(d.width, row.digits[0].width, 1);
            if (i > 0) {
                EXPECT_LT(row.digits[i - 1].left + row.digits[i - 1].width, d.left) << "digits touch";
            }
        }
        // The comma sits between the units and the tenths (its transparent box may touch the
        // tenths by a scaled pixel, as in the lane frame), its foot on the digits' base line.
        const int centre = row.comma.left + row.comma.width / 2;
        EXPECT_GT(centre, row.digits[2].left + row.digits[2].width);
        EXPECT_LT(centre, row.digits[3].left);
        EXPECT_LT(row.comma.top, row.digits[0].top + m.digitHeight);
    }
}

INSTANTIATE_TEST_SUITE_P(Common, MonitorSizes,
                         ::testing::Values(std::pair{1920, 1080}, std::pair{1366, 768}, std::pair{1280, 720},
                                           std::pair{1024, 768}, std::pair{3840, 2160}, std::pair{800, 600}));

TEST(MonitorLayoutTest, TooLowAMonitorGivesNoDigitHeightButNoCrash) {
    const MonitorLayout m = LayoutMonitor(1920, 200);
    EXPECT_LE(m.digitHeight, 0);
    EXPECT_EQ(LayoutMonitor(0, 0).scale, 0.0);
}

TEST(MonitorLayoutTest, StripTexts) {
    EXPECT_EQ(StartStripText("17"), " Start-Nr.:17");
    EXPECT_EQ(BestStripText(12), "Best Start-Nr. 12");
    EXPECT_EQ(BestStripText(0), "Bestzeit:");
}

} // namespace
} // namespace caniparc
