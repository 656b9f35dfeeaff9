// The seven-segment digit without a drawing surface: which segments each digit lights, the
// polygons of the segments for a given size, and the rules that decide when a digit has to be
// redrawn. The lane clocks and the spectators' display draw their times from this.
#pragma once

#include <array>
#include <cstdint>

namespace caniparc {

// One bit per segment of a digit's pattern; a set bit means lit.
enum SegmentBit : std::uint8_t {
    SegTop = 1u << 0,
    SegMiddle = 1u << 1,
    SegBottom = 1u << 2,
    SegUpperLeft = 1u << 3,
    SegUpperRight = 1u << 4,
    SegLowerLeft = 1u << 5,
    SegLowerRight = 1u << 6,
    SegMark = 1u << 7, // the decimal-point mark in the lower right corner
};

inline constexpr int SegmentCount = 7; // without the mark

// The pattern of each digit 0 to 9; no digit lights the mark.
inline constexpr std::array<std::uint8_t, 10> SegmentTable{125, 80, 55, 87, 90, 79, 111, 81, 127, 95};

struct SegmentPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const SegmentPoint&, const SegmentPoint&) = default;
};

using SegmentPolygon = std::array<SegmentPoint, 6>;

// The outlines of one digit, in pixels from the top left corner of its rectangle.
struct SegmentShapes {
    std::array<SegmentPolygon, SegmentCount> segments; // indexed by bit number 0..6
    std::array<SegmentPoint, 3> mark;
};

// Fills a width x height rectangle: segments 2 * thickness thick with pointed ends, shortened
// at both ends by `separation`.
SegmentShapes SegmentShapesFor(int width, int height, int thickness, int separation);

// A thickness is usable while it is at most half the width and half the height.
bool ThicknessFits(int thickness, int width, int height);

// The digit's value and pattern. Setting the value also resets the pattern; setting the
// pattern leaves the value alone, so both can disagree until the value changes again.
class SegmentDigit {
public:
    enum class Outcome {
        Unchanged, // same value as before: nothing to draw, nobody to tell
        Changed,
        Overflow, // outside 0..9: the digit fell back to 0 and its owner should be told
    };

    Outcome SetValue(int value);
    bool SetValueBinary(std::uint8_t pattern); // true when the pattern changed

    int Value() const { return value_; }
    std::uint8_t ValueBinary() const { return pattern_; }

private:
    int value_ = 0;
    std::uint8_t pattern_ = SegmentTable[0];
};

} // namespace caniparc
