// The spectators' display ("Monitor 2"): a borderless black window over one whole monitor with
// the tournament title and two rows of large seven-segment times, each under a strip naming the
// start number (or, in the one-lane schemes, the holder of the best time). It holds no timing
// logic: the main window writes digits and texts into it, also while it is hidden, so it is up
// to date whenever it is shown.
#pragma once

#include "display/MonitorLayout.h"
#include "timing/RunModel.h"

#include <QWidget>

#include <array>

class QLabel;

namespace caniparc::ui {

class TDigit;

class MonitorWindow final : public QWidget {
    Q_OBJECT
public:
    static constexpr int RowCount = 2;
    static constexpr int DigitCount = 5;

    explicit MonitorWindow(QWidget* parent = nullptr);

    // Covers `screen` (its full bounds, not the work area) and lays the parts out for it; the
    // hundredths digits are dim while times are shown to tenths.
    void PlaceOnMonitor(const QRect& screen, bool hundredths);
    // Esc hides the window only while it covers the operator's own screen. The main window's
    // command keys (Ctrl+T among them) reach the station from here too.
    void SetEscapeAllowed(bool allowed) { escapeAllowed_ = allowed; }
    bool EscapeAllowed() const { return escapeAllowed_; }

    // Row 0 mirrors lane 1; row 1 lane 2 or the best time. Only changed digits repaint.
    void SetDigits(int row, const LaneDigits& digits);
    void SetTitle(const QString& title);
    void SetStripText(int row, const QString& text);

    TDigit* Digit(int row, int index) const;
    QLabel* Comma(int row) const { return commas_.at(static_cast<std::size_t>(row)); }
    QLabel* Strip(int row) const { return strips_.at(static_cast<std::size_t>(row)); }
    QLabel* Title() const { return title_; }
    const MonitorLayout& Layout() const { return layout_; }

signals:
    void hidden(); // the main window hides its TV-on indicator

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void LayoutDisplay();

    QLabel* title_ = nullptr;
    std::array<QLabel*, RowCount> strips_{};
    std::array<QLabel*, RowCount> commas_{};
    std::array<std::array<TDigit*, DigitCount>, RowCount> digits_{};
    std::array<Rgb, RowCount> commaColours_{};
    bool escapeAllowed_ = true;
    MonitorLayout layout_;
};

} // namespace caniparc::ui
