// Where the main window goes at start-up: the stored bounds when they lie on a screen, else
// the primary screen. A laptop that last ran next to a desktop monitor, or a store that holds
// nonsense (32767 x 32767 once took 4 GB for the window's back buffer), must still show the
// whole window.
#pragma once

#include <vector>

namespace caniparc {

struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Bounds&) const = default;
};

struct WindowPlacement {
    bool platformPlaces = false; // first start: only the size is set, the desktop picks the place
    Bounds bounds;
};

inline constexpr int kMinWindowWidth = 800;
inline constexpr int kMinWindowHeight = 522;

// `stored`: the bounds from the settings, or nothing stored (first start). `screens`: the
// screens' usable areas, the primary first. The result never exceeds the screen it is on.
WindowPlacement PlaceMainWindow(const Bounds* stored, const std::vector<Bounds>& screens);

} // namespace caniparc
