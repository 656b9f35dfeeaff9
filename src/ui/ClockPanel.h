// The clock panel of the main window: the local date and time in the system's short formats,
// with seconds, shown at once and refreshed every second, so the operator sees at a glance that
// the station is alive.
#pragma once

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QTimer>

#include <functional>

namespace caniparc::ui {

class ClockPanel final : public QLabel {
    Q_OBJECT
public:
    using Now = std::function<QDateTime()>;
    static constexpr int kRefreshMs = 1000;

    // An empty now reads the system's local time; tests pass their own time, locale and period.
    explicit ClockPanel(QWidget* parent = nullptr, Now now = {}, const QLocale& locale = QLocale::system(),
                        int refreshMs = kRefreshMs);

    // Short date, three blanks, short time with the seconds added.
    static QString ClockText(const QDateTime& moment, const QLocale& locale);

    // Shows the time now; the timer calls it, and so may the window after waking from sleep.
    void Refresh();

private:
    Now now_;
    QLocale locale_;
    QTimer timer_;
};

} // namespace caniparc::ui
