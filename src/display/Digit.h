// One seven-segment digit with a decimal-point mark, drawn as polygons that follow the
// control's size, so the same control serves the small lane clocks and the spectators' display.
#pragma once

#include "common/SevenSegment.h"

#include <QColor>
#include <QWidget>

#include <cstdint>

namespace caniparc::ui {

class TDigit : public QWidget {
    Q_OBJECT
public:
    enum class DigitBorder { None, Single };

    explicit TDigit(QWidget* parent = nullptr);

    // 0 to 9; anything else shows 0 and raises OnOverflow. Resets ValueBinary to the digit's
    // pattern unless the value is the one already shown.
    int Value() const { return digit_.Value(); }
    void SetValue(int value);

    // Any pattern of the seven segments and the mark; Value is left as it is.
    std::uint8_t ValueBinary() const { return digit_.ValueBinary(); }
    void SetValueBinary(std::uint8_t pattern);

    QColor ColorOn() const { return colorOn_; }
    void SetColorOn(const QColor& color);
    QColor ColorOff() const { return colorOff_; }
    void SetColorOff(const QColor& color);
    // The background, also the outline of every segment.
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);

    // Ignored when larger than half the current width or height.
    int Thickness() const { return thickness_; }
    void SetThickness(int thickness);
    int Separation() const { return separation_; }
    void SetSeparation(int separation);

    // Kept for whoever lays digits out; the drawing itself has no border.
    DigitBorder BorderStyle() const { return border_; }
    void SetBorderStyle(DigitBorder border);

signals:
    void OnOverflow(caniparc::ui::TDigit* sender);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void SetColour(QColor& field, const QColor& color);

    SegmentDigit digit_;
    QColor colorOn_{255, 255, 0};
    QColor colorOff_{0, 0, 0};
    QColor color_{0, 0, 0};
    int thickness_ = 2;
    int separation_ = 1;
    DigitBorder border_ = DigitBorder::Single;
};

} // namespace caniparc::ui
