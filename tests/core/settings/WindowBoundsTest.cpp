// Placing the main window at start-up: stored bounds on a screen are kept; bounds off every
// screen or larger than the screen land on the primary screen, no larger than it.
#include "settings/WindowBounds.h"

#include <gtest/gtest.h>

#include <climits>

namespace caniparc {
namespace {

const Bounds kLaptop{0, 0, 1366, 740};      // 1366 x 768 less the panel
const Bounds kDesktop{1366, 0, 1920, 1050}; // a second screen to the right
const Bounds kSmallLaptop{0, 0, 1280, 772}; // 1280 x 800 less the panel

struct PlacementCase {
    const char* name;
    Bounds stored;
    std::vector<Bounds> screens;
    Bounds expected;
};

class PlaceMainWindowTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlaceMainWindowTest, EndsWhollyOnAScreen) {
    const auto& c = GetParam();
    const WindowPlacement placed = PlaceMainWindow(&c.stored, c.screens);
    EXPECT_FALSE(placed.platformPlaces);
    EXPECT_EQ(placed.bounds, c.expected) << c.name << ": " << placed.bounds.left << "," << placed.bounds.top << " "
                                         << placed.bounds.width << "x" << placed.bounds.height;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PlaceMainWindowTest,
    ::testing::Values(
        PlacementCase{"on the laptop", {100, 50, 900, 600}, {kLaptop}, {100, 50, 900, 600}},
        PlacementCase{"on the second screen", {1500, 100, 1000, 700}, {kLaptop, kDesktop}, {1500, 100, 1000, 700}},
        PlacementCase{"desktop gone", {1500, 100, 1000, 700}, {kLaptop}, {183, 20, 1000, 700}},
        PlacementCase{"default bounds off a small laptop", {608, 310, 800, 557}, {kSmallLaptop}, {240, 107, 800, 557}},
        PlacementCase{"huge", {0, 0, 32767, 32767}, {kLaptop}, {0, 0, 1366, 740}},
        PlacementCase{"negative", {-5000, -5000, 800, 557}, {kLaptop}, {283, 91, 800, 557}},
        PlacementCase{"overflowing sums", {INT_MAX - 10, INT_MAX - 10, INT_MAX, INT_MAX}, {kLaptop}, {0, 0, 1366, 740}},
        PlacementCase{"below the minimum", {10, 10, 100, 100}, {kLaptop}, {10, 10, 800, 522}}));

TEST(PlaceMainWindowTest, FirstStartLeavesThePlaceToTheDesktop) {
    const WindowPlacement placed = PlaceMainWindow(nullptr, {kSmallLaptop});
    EXPECT_TRUE(placed.platformPlaces);
    EXPECT_EQ(placed.bounds.width, 800);
    EXPECT_EQ(placed.bounds.height, 557);
}

} // namespace
} // namespace caniparc
