// The spectators' display laid out from the lane frame's geometry: the frame's digits and comma
// scaled to the monitor's width, the height shared out as title, strip, row, strip, row; and
// the strip texts. Plain arithmetic, so the tests check it without a screen.
#pragma once

#include <array>
#include <string>

namespace caniparc {

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

// A lane clock frame at its natural size: five digits, the comma and the start-number line.
struct LaneFrameGeometry {
    int width = 374;
    std::array<PixelRect, 5> digits{
        {{12, 43, 55, 89}, {76, 43, 55, 89}, {140, 43, 55, 89}, {228, 43, 55, 89}, {292, 43, 55, 89}}};
    PixelRect comma{204, 70, 25, 81};
    int commaFontPixels = 64;
    int thickness = 6;
    int captionFontPixels = 19; // "Start-Nr.:"
};

struct MonitorRow {
    std::array<PixelRect, 5> digits;
    PixelRect comma;
};

struct MonitorLayout {
    double scale = 1.0;      // ScaleX (= ScaleY)
    int stripFontPixels = 0; // the two strips and the title
    int titleHeight = 0;
    int stripHeight = 0;
    int strip1Top = 0;
    int strip2Top = 0;
    int digitHeight = 0; // D; 0 or less on a monitor too low for the title and strips
    int thickness = 1;
    int commaFontPixels = 1;
    std::array<MonitorRow, 2> rows;
};

// `width` x `height`: the window's client area (the whole monitor).
MonitorLayout LayoutMonitor(int width, int height, const LaneFrameGeometry& lane = {});

// " Start-Nr.:" and the number, as above each lane's row.
std::string StartStripText(const std::string& startNumber);
// Row 2 in the one-lane schemes: "Best Start-Nr. 12", or "Bestzeit:" while nobody has a time.
std::string BestStripText(int bestStartNr);

} // namespace caniparc
