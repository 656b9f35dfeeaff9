// The fonts the station draws with (see StationFonts.h).
#include "StationFonts.h"

#include <QApplication>
#include <QStringList>

#include <algorithm>

namespace caniparc::ui {
namespace {

QFont FontOf(const QStringList& families, int pixels, bool bold) {
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(std::max(1, pixels));
    font.setBold(bold);
    return font;
}

} // namespace

QFont SansFont(int pixels, bool bold) {
    return FontOf({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")}, pixels, bold);
}

QFont SerifFont(int pixels, bool bold) {
    return FontOf({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")}, pixels, bold);
}

void UseStationFont() {
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    QApplication::setFont(font);
}

} // namespace caniparc::ui
