// Segment outlines and the digit's change rules.
#include "common/SevenSegment.h"

namespace caniparc {

namespace {

// A horizontal bar whose top edge is at y0, spanning the width between the vertical bars.
SegmentPolygon HorizontalBar(int y0, int right, int t, int s) {
    return {{{s + t, y0 + t},
             {s + 2 * t, y0},
             {right - 2 * t - s, y0},
             {right - t - s, y0 + t},
             {right - 2 * t - s, y0 + 2 * t},
             {s + 2 * t, y0 + 2 * t}}};
}

// A vertical bar in one half of the digit, its left edge at x0 and the half's top at y0.
SegmentPolygon VerticalBar(int x0, int y0, int half, int t, int s) {
    return {{{x0, y0 + 2 * t + s},
             {x0 + t, y0 + t + s},
             {x0 + 2 * t, y0 + 2 * t + s},
             {x0 + 2 * t, y0 + half - t - s},
             {x0 + t, y0 + half - s},
             {x0, y0 + half - t - s}}};
}

} // namespace

SegmentShapes SegmentShapesFor(int width, int height, int thickness, int separation) {
    // The outlines run through the last pixel row and column, not beyond them.
    const int right = width - 1;
    const int bottom = height - 1;
    const int t = thickness;
    const int s = separation;
    const int half = bottom / 2;
    const int leftX = 0;
    const int rightX = right - 2 * t;
    const int upperY = 0;
    const int lowerY = half - t;

    SegmentShapes shapes;
    shapes.segments[0] = HorizontalBar(0, right, t, s);
    shapes.segments[1] = HorizontalBar(half - t, right, t, s);
    shapes.segments[2] = HorizontalBar(bottom - 2 * t, right, t, s);
    shapes.segments[3] = VerticalBar(leftX, upperY, half, t, s);
    shapes.segments[4] = VerticalBar(rightX, upperY, half, t, s);
    shapes.segments[5] = VerticalBar(leftX, lowerY, half, t, s);
    shapes.segments[6] = VerticalBar(rightX, lowerY, half, t, s);
    shapes.mark = {{{right, bottom}, {right - 2 * t + s, bottom}, {right, bottom - 2 * t + s}}};
    return shapes;
}

bool ThicknessFits(int thickness, int width, int height) {
    return thickness <= width / 2 && thickness <= height / 2;
}

SegmentDigit::Outcome SegmentDigit::SetValue(int value) {
    if (value == value_)
        return Outcome::Unchanged;
    const bool inRange = value >= 0 && value <= 9;
    value_ = inRange ? value : 0;
    pattern_ = SegmentTable[static_cast<std::size_t>(value_)];
    return inRange ? Outcome::Changed : Outcome::Overflow;
}

bool SegmentDigit::SetValueBinary(std::uint8_t pattern) {
    if (pattern == pattern_)
        return false;
    pattern_ = pattern;
    return true;
}

} // namespace caniparc
