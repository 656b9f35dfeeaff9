// Spin edits that keep a typed number in range (see RangeSpinBox.h).
#include "RangeSpinBox.h"

#include <QRegularExpression>

#include <algorithm>

namespace caniparc::ui {

namespace {

// The number alone, without the field's prefix and suffix (" Sek.").
QString Bare(const QString& prefix, const QString& suffix, QString text) {
    if (!prefix.isEmpty() && text.startsWith(prefix))
        text.remove(0, prefix.size());
    if (!suffix.isEmpty() && text.endsWith(suffix))
        text.chop(suffix.size());
    return text.trimmed();
}

// Up to nine digits: enough for any limit, never an overflow.
bool IsWholeNumber(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    return digits.match(text).hasMatch();
}

bool IsDecimalNumber(const QString& text, QChar separator) {
    const QRegularExpression number(
        QStringLiteral("^[0-9]{1,9}(%1[0-9]*)?$").arg(QRegularExpression::escape(separator)));
    return number.match(text).hasMatch();
}

} // namespace

RangeSpinBox::RangeSpinBox(Range<int> range, QWidget* parent) : QSpinBox(parent) {
    setRange(range.low, range.high);
}

QValidator::State RangeSpinBox::validate(QString& text, int& pos) const {
    const QValidator::State state = QSpinBox::validate(text, pos);
    if (state != QValidator::Invalid)
        return state;
    // Beyond the limit: kept while typing, brought to the limit when the field is left.
    return IsWholeNumber(Bare(prefix(), suffix(), text)) ? QValidator::Intermediate : QValidator::Invalid;
}

void RangeSpinBox::fixup(QString& text) const {
    const QString number = Bare(prefix(), suffix(), text);
    if (!IsWholeNumber(number))
        return;
    const long long typed = number.toLongLong();
    text = prefix() + textFromValue(static_cast<int>(std::clamp<long long>(typed, minimum(), maximum()))) + suffix();
}

RangeDoubleSpinBox::RangeDoubleSpinBox(Range<double> range, int decimals, QWidget* parent) : QDoubleSpinBox(parent) {
    setDecimals(decimals);
    setRange(range.low, range.high);
}

QValidator::State RangeDoubleSpinBox::validate(QString& text, int& pos) const {
    const QValidator::State state = QDoubleSpinBox::validate(text, pos);
    if (state != QValidator::Invalid)
        return state;
    const QString number = Bare(prefix(), suffix(), text);
    return IsDecimalNumber(number, locale().decimalPoint().front()) ? QValidator::Intermediate : QValidator::Invalid;
}

void RangeDoubleSpinBox::fixup(QString& text) const {
    const QString number = Bare(prefix(), suffix(), text);
    bool ok = false;
    const double typed = locale().toDouble(number, &ok);
    if (!ok || !IsDecimalNumber(number, locale().decimalPoint().front()))
        return;
    text = prefix() + textFromValue(std::clamp(typed, minimum(), maximum())) + suffix();
}

} // namespace caniparc::ui
