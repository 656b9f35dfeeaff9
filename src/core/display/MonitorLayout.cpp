// Layout arithmetic of the spectators' display (see MonitorLayout.h).
#include "display/MonitorLayout.h"

#include <algorithm>
#include <cmath>

namespace caniparc {
namespace {

int Scaled(int value, double scale) {
    return static_cast<int>(std::lround(value * scale));
}

// Left and right edges are scaled, not the width, so neighbouring digits keep their gaps.
PixelRect ScaledAcross(const PixelRect& r, double scale) {
    const int left = Scaled(r.left, scale);
    return {left, Scaled(r.top, scale), Scaled(r.left + r.width, scale) - left, Scaled(r.height, scale)};
}

} // namespace

MonitorLayout LayoutMonitor(int width, int height, const LaneFrameGeometry& lane) {
    MonitorLayout m;
    m.scale = lane.width > 0 ? static_cast<double>(width) / lane.width : 1.0;
    m.stripFontPixels = std::max(1, Scaled(lane.captionFontPixels, m.scale));
    m.stripHeight = m.stripFontPixels;
    m.titleHeight = Scaled(m.stripFontPixels, 1.15);
    m.digitHeight = (height - m.stripHeight - m.titleHeight - 2 * m.stripHeight) / 2;
    m.thickness = std::max(1, Scaled(lane.thickness, m.scale));
    m.commaFontPixels = std::max(1, Scaled(lane.commaFontPixels, m.scale));
    const int row1Top = m.titleHeight + m.stripHeight;
    const int row2Top = height - m.digitHeight - m.stripHeight / 2;
    const std::array<int, 2> tops = {row1Top, row2Top};
    for (std::size_t r = 0; r < 2; ++r) {
        for (std::size_t i = 0; i < 5; ++i) {
            PixelRect d = ScaledAcross(lane.digits[i], m.scale);
            d.top = tops[r];
            d.height = m.digitHeight;
            m.rows[r].digits[i] = d;
        }
        PixelRect comma = ScaledAcross(lane.comma, m.scale);
        comma.top = row1Top + m.digitHeight - comma.height * 73 / 100 + (tops[r] - row1Top);
        m.rows[r].comma = comma;
    }
    m.strip1Top = m.titleHeight;
    m.strip2Top = row2Top - m.stripHeight;
    return m;
}

std::string StartStripText(const std::string& startNumber) {
    return " Start-Nr.:" + startNumber;
}

std::string BestStripText(int bestStartNr) {
    return bestStartNr != 0 ? "Best Start-Nr. " + std::to_string(bestStartNr) : std::string("Bestzeit:");
}

} // namespace caniparc
