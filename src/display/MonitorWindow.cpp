// The spectators' display (see MonitorWindow.h).
#include "MonitorWindow.h"

#include "Digit.h"
#include "StationFonts.h"

#include <QKeyEvent>
#include <QLabel>

namespace caniparc::ui {

namespace {

QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QRect ToQRect(const PixelRect& r) {
    return {r.left, r.top, r.width, r.height};
}

QLabel* MakeStrip(QWidget* parent, const QString& name, const char* colour) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setStyleSheet(QStringLiteral("color: %1; background: black;").arg(QLatin1String(colour)));
    return label;
}

} // namespace

MonitorWindow::MonitorWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("TFormMonitor2"));
    setWindowTitle(QStringLiteral("Monitor 2"));
    setAccessibleName(windowTitle());
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setCursor(Qt::BlankCursor);
    title_ = MakeStrip(this, QStringLiteral("PanelTitle"), "white");
    title_->setAlignment(Qt::AlignCenter);
    const LaneDigits ready;
    for (int r = 0; r < RowCount; ++r) {
        const auto row = static_cast<std::size_t>(r);
        strips_[row] = MakeStrip(this, QStringLiteral("LabStart%1").arg(r + 1), "lime");
        for (int i = 0; i < DigitCount; ++i) {
            auto* digit = new TDigit(this);
            digit->setObjectName(QStringLiteral("Digit%1%2").arg(i + 4).arg(r == 0 ? QString() : QStringLiteral("a")));
            digit->SetColorOff(Qt::black);
            digit->SetSeparation(0);
            digit->SetColorOn(ToQColor(ready.lit[static_cast<std::size_t>(i)]));
            digits_[row][static_cast<std::size_t>(i)] = digit;
        }
        commas_[row] = new QLabel(QStringLiteral(","), this);
        commas_[row]->setObjectName(r == 0 ? QStringLiteral("LabSec") : QStringLiteral("LabSec2"));
        // The box's top is placed so that a glyph drawn from the top has its base line on the
        // digits' bottom edge.
        commas_[row]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        commaColours_[row] = ready.comma;
        commas_[row]->setStyleSheet(
            QStringLiteral("color: %1; background: transparent;").arg(ToQColor(ready.comma).name()));
    }
    LayoutDisplay();
}

TDigit* MonitorWindow::Digit(int row, int index) const {
    return digits_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(index));
}

void MonitorWindow::PlaceOnMonitor(const QRect& screen, bool hundredths) {
    const QColor lit = ToQColor(hundredths ? kYellow : kDimGrey);
    for (auto& row : digits_)
        row[4]->SetColorOn(lit);
    setGeometry(screen);
    LayoutDisplay();
}

void MonitorWindow::SetDigits(int row, const LaneDigits& d) {
    const auto r = static_cast<std::size_t>(row);
    for (std::size_t i = 0; i < d.value.size(); ++i) {
        digits_[r][i]->SetValue(d.value[i]);
        digits_[r][i]->SetColorOn(ToQColor(d.lit[i]));
    }
    if (d.comma == commaColours_[r])
        return;
    commaColours_[r] = d.comma;
    commas_[r]->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(ToQColor(d.comma).name()));
}

void MonitorWindow::SetTitle(const QString& title) {
    title_->setText(title);
}

void MonitorWindow::SetStripText(int row, const QString& text) {
    strips_.at(static_cast<std::size_t>(row))->setText(text);
}

void MonitorWindow::LayoutDisplay() {
    layout_ = LayoutMonitor(width(), height());
    const QFont stripFont = SansFont(layout_.stripFontPixels, true);
    title_->setFont(stripFont);
    title_->setGeometry(0, 0, width(), layout_.titleHeight);
    const std::array<int, RowCount> stripTops = {layout_.strip1Top, layout_.strip2Top};
    const QFont commaFont = SerifFont(layout_.commaFontPixels, true);
    for (std::size_t r = 0; r < RowCount; ++r) {
        strips_[r]->setFont(stripFont);
        strips_[r]->setGeometry(0, stripTops[r], width(), layout_.stripHeight);
        for (std::size_t i = 0; i < DigitCount; ++i) {
            digits_[r][i]->setGeometry(ToQRect(layout_.rows[r].digits[i]));
            digits_[r][i]->SetThickness(layout_.thickness);
        }
        commas_[r]->setFont(commaFont);
        commas_[r]->setGeometry(ToQRect(layout_.rows[r].comma));
        commas_[r]->raise();
    }
}

void MonitorWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutDisplay();
}

void MonitorWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (escapeAllowed_)
            hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MonitorWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit hidden();
}

} // namespace caniparc::ui
