// Painting and the repaint rules of the seven-segment digit. Every setter that changes what
// is shown schedules a repaint of this digit alone; the clock ticks every few milliseconds, so
// an unchanged value must cost nothing.
#include "Digit.h"

#include <QPainter>
#include <QPoint>

#include <array>

namespace caniparc::ui {

namespace {

template <std::size_t N> std::array<QPoint, N> ToQt(const std::array<SegmentPoint, N>& points) {
    std::array<QPoint, N> result;
    for (std::size_t i = 0; i < N; ++i)
        result[i] = QPoint(points[i].x, points[i].y);
    return result;
}

} // namespace

TDigit::TDigit(QWidget* parent) : QWidget(parent) {
    // The whole rectangle is painted here, so nothing beneath needs repainting with the digit.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(16, 32);
}

void TDigit::SetValue(int value) {
    const auto outcome = digit_.SetValue(value);
    if (outcome == SegmentDigit::Outcome::Unchanged)
        return;
    if (outcome == SegmentDigit::Outcome::Overflow)
        emit OnOverflow(this);
    update();
}

void TDigit::SetValueBinary(std::uint8_t pattern) {
    if (digit_.SetValueBinary(pattern))
        update();
}

void TDigit::SetColour(QColor& field, const QColor& color) {
    if (field == color)
        return;
    field = color;
    update();
}

void TDigit::SetColorOn(const QColor& color) {
    SetColour(colorOn_, color);
}
void TDigit::SetColorOff(const QColor& color) {
    SetColour(colorOff_, color);
}
void TDigit::SetColor(const QColor& color) {
    SetColour(color_, color);
}

void TDigit::SetThickness(int thickness) {
    if (!ThicknessFits(thickness, width(), height()))
        return;
    thickness_ = thickness;
    update();
}

void TDigit::SetSeparation(int separation) {
    separation_ = separation;
    update();
}

void TDigit::SetBorderStyle(DigitBorder border) {
    if (border_ == border)
        return;
    border_ = border;
    update();
}

void TDigit::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), color_);
    // The outline in the background colour leaves a thin gap between touching segments.
    painter.setPen(QPen(color_, 1));
    const auto shapes = SegmentShapesFor(width(), height(), thickness_, separation_);
    const auto pattern = digit_.ValueBinary();
    for (int bit = 0; bit < SegmentCount; ++bit) {
        painter.setBrush((pattern >> bit) & 1u ? colorOn_ : colorOff_);
        const auto points = ToQt(shapes.segments[static_cast<std::size_t>(bit)]);
        painter.drawPolygon(points.data(), static_cast<int>(points.size()));
    }
    painter.setBrush(pattern & SegMark ? colorOn_ : colorOff_);
    const auto mark = ToQt(shapes.mark);
    painter.drawPolygon(mark.data(), static_cast<int>(mark.size()));
}

} // namespace caniparc::ui
