// Placing the main window (see WindowBounds.h).
#include "settings/WindowBounds.h"

#include <algorithm>
#include <cstdint>

namespace caniparc {
namespace {

bool Inside(const Bounds& inner, const Bounds& outer) {
    // 64-bit sums: stored values may be anywhere in the int range.
    const auto right = [](const Bounds& b) { return std::int64_t{b.left} + b.width; };
    const auto bottom = [](const Bounds& b) { return std::int64_t{b.top} + b.height; };
    return inner.left >= outer.left && inner.top >= outer.top && right(inner) <= right(outer) &&
           bottom(inner) <= bottom(outer);
}

// At least the window's minimum, at most the screen.
Bounds SizedFor(int width, int height, const Bounds& screen) {
    Bounds b;
    b.width = std::min(std::max(width, kMinWindowWidth), screen.width);
    b.height = std::min(std::max(height, kMinWindowHeight), screen.height);
    b.left = screen.left + (screen.width - b.width) / 2;
    b.top = screen.top + (screen.height - b.height) / 2;
    return b;
}

} // namespace

WindowPlacement PlaceMainWindow(const Bounds* stored, const std::vector<Bounds>& screens) {
    const Bounds primary = screens.empty() ? Bounds{0, 0, 1024, 768} : screens.front();
    if (!stored)
        return {true, SizedFor(800, 557, primary)};
    Bounds wanted = *stored;
    wanted.width = std::max(wanted.width, kMinWindowWidth);
    wanted.height = std::max(wanted.height, kMinWindowHeight);
    for (const Bounds& screen : screens)
        if (Inside(wanted, screen))
            return {false, wanted};
    return {false, SizedFor(stored->width, stored->height, primary)};
}

} // namespace caniparc
