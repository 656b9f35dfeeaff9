// Colours of the large run buttons: each enable or disable gives the button these colours.
#include "timing/RunModel.h"

namespace caniparc {

ButtonColours ButtonColoursFor(Command button, bool enabled) {
    ButtonColours c;
    if (!enabled)
        return c;
    c.systemColours = false;
    switch (button) {
    case Command::Start:
    case Command::Pause:
        c.colour = {0, 128, 0};
        c.light = {192, 255, 192};
        c.shadow = {0, 192, 0};
        c.hasShadow = true;
        break;
    case Command::Stop1:
    case Command::Stop2:
        c.colour = {255, 0, 0};
        c.light = {255, 144, 144};
        c.shadow = {192, 0, 0};
        c.hasShadow = true;
        break;
    case Command::Eintragen:
        c.colour = {0, 128, 128};
        c.light = {0, 255, 255};
        break;
    case Command::Dis1:
    case Command::Dis2:
        c.colour = {128, 128, 128};
        c.light = {0, 0, 0};
        break;
    case Command::Abbruch:
        c.colour = {0, 0, 128};
        c.light = {0, 0, 255};
        break;
    case Command::Next:
        c.colour = {0, 128, 128};
        c.light = {0, 0, 0};
        break;
    default:
        c.systemColours = true; // not a large button
        break;
    }
    return c;
}

} // namespace caniparc
