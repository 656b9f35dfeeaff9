// The status-bar panel (see StatusPanel.h).
#include "StatusPanel.h"

#include <QFontMetrics>

namespace caniparc::ui {

StatusPanel::StatusPanel(QWidget* parent) : QLabel(parent) {
    // The bar hands out what is left; the text follows the room, not the other way round.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(0);
}

void StatusPanel::SetTexts(const QString& shown, const QString& whole) {
    shown_ = shown;
    setToolTip(whole);
    setAccessibleDescription(whole);
    Fit();
}

void StatusPanel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Fit();
}

void StatusPanel::Fit() {
    const QString fitted = fontMetrics().elidedText(shown_, Qt::ElideMiddle, contentsRect().width());
    if (fitted != text())
        setText(fitted);
}

} // namespace caniparc::ui
