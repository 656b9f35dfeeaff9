// The fonts the station draws with. Each asks for the families it means, Arial's and Times
// New Roman's metric twins from fonts-liberation included, so the look and the column widths
// do not depend on which other fonts a machine happens to have: with only fonts-liberation
// installed, fontconfig resolves a plain "sans-serif" to Liberation Mono.
#pragma once

#include <QFont>

namespace caniparc::ui {

// Arial, else Liberation Sans.
QFont SansFont(int pixels, bool bold = false);

// Times New Roman, else Liberation Serif (the decimal commas of the clocks).
QFont SerifFont(int pixels, bool bold = false);

// Makes the application's default font (every text that asks for no family: buttons, status
// bar, dialogs) Liberation Sans, keeping the size the platform chose.
void UseStationFont();

} // namespace caniparc::ui
