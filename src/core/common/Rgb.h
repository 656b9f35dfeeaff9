// A colour as red, green and blue, 0 to 255 each; the core names colours, the UI paints them.
#pragma once

namespace caniparc {

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

} // namespace caniparc
