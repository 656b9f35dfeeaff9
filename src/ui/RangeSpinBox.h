// Spin edits that keep a typed number in their range. Qt's own refuse a keystroke that leaves
// the range ("10" in 0..9 stays "1") and put the old value back for a number below it ("5" in
// 10..999 becomes 120 again); here a number beyond a limit becomes that limit, visibly, as soon
// as the field is left or Enter pressed, so what "OK" applies is what the operator sees.
#pragma once

#include "settings/SettingRanges.h"

#include <QDoubleSpinBox>
#include <QSpinBox>

namespace caniparc::ui {

class RangeSpinBox final : public QSpinBox {
    Q_OBJECT
public:
    RangeSpinBox(Range<int> range, QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
};

class RangeDoubleSpinBox : public QDoubleSpinBox {
    Q_OBJECT
public:
    RangeDoubleSpinBox(Range<double> range, int decimals, QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
};

} // namespace caniparc::ui
