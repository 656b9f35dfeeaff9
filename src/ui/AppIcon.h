// The station's application icon: a stopwatch with a seven-segment face, drawn at the sizes
// window managers, task bars and the information window ask for.
#pragma once

#include <QIcon>

namespace caniparc::ui {

QIcon ApplicationIconPicture();

} // namespace caniparc::ui
