// Segment outlines of a digit at the sizes of the lane clocks and the spectators' display.
#include "common/SevenSegment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace caniparc {
namespace {

using Poly = SegmentPolygon;

TEST(SegmentShapes, LaneClockDigitHasTheseOutlines) {
    const auto shapes = SegmentShapesFor(55, 89, 6, 0);
    EXPECT_EQ(shapes.segments[0], (Poly{{{6, 6}, {12, 0}, {42, 0}, {48, 6}, {42, 12}, {12, 12}}}));
    EXPECT_EQ(shapes.segments[1], (Poly{{{6, 44}, {12, 38}, {42, 38}, {48, 44}, {42, 50}, {12, 50}}}));
    EXPECT_EQ(shapes.segments[4], (Poly{{{42, 12}, {48, 6}, {54, 12}, {54, 38}, {48, 44}, {42, 38}}}));
    EXPECT_EQ(shapes.segments[5], (Poly{{{0, 50}, {6, 44}, {12, 50}, {12, 76}, {6, 82}, {0, 76}}}));
    EXPECT_EQ(shapes.mark[0], (SegmentPoint{54, 88}));
    EXPECT_EQ(shapes.mark[1], (SegmentPoint{42, 88}));
    EXPECT_EQ(shapes.mark[2], (SegmentPoint{54, 76}));
}

TEST(SegmentShapes, StayInsideTheRectangleAtClockAndMonitorSizes) {
    for (const auto [width, height, t, s] :
         {std::array{16, 32, 2, 1}, std::array{55, 89, 6, 3}, std::array{314, 508, 34, 0}}) {
        const auto shapes = SegmentShapesFor(width, height, t, s);
        const auto inside = [&](SegmentPoint p) { return p.x >= 0 && p.x < width && p.y >= 0 && p.y < height; };
        for (const auto& segment : shapes.segments)
            EXPECT_TRUE(std::all_of(segment.begin(), segment.end(), inside)) << width << " x " << height;
        EXPECT_TRUE(std::all_of(shapes.mark.begin(), shapes.mark.end(), inside));
        EXPECT_EQ(shapes.segments[1][0].y, (height - 1) / 2) << "middle bar centred";
    }
}

TEST(SegmentShapes, SeparationPullsTheEndsOfNeighbouringBarsApart) {
    const auto touching = SegmentShapesFor(55, 89, 6, 0);
    EXPECT_EQ(touching.segments[0][0], touching.segments[3][1]) << "top bar's left tip on the upper left bar's tip";
    EXPECT_EQ(touching.segments[2][0], touching.segments[5][4]);

    const auto apart = SegmentShapesFor(55, 89, 6, 2);
    EXPECT_EQ(apart.segments[0][0].x - apart.segments[3][1].x, 2);
    EXPECT_EQ(apart.segments[3][1].y - apart.segments[0][0].y, 2);
    const auto barLength = [](const Poly& bar) { return bar[4].y - bar[1].y; };
    EXPECT_EQ(barLength(touching.segments[3]) - barLength(apart.segments[3]), 4);
}

} // namespace
} // namespace caniparc
