// The clock panel (see ClockPanel.h).
#include "ClockPanel.h"

namespace caniparc::ui {

ClockPanel::ClockPanel(QWidget* parent, Now now, const QLocale& locale, int refreshMs)
    : QLabel(parent), now_(now ? std::move(now) : Now([] { return QDateTime::currentDateTime(); })), locale_(locale) {
    setObjectName(QStringLiteral("PanelDate"));
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Refresh();
    // Precise enough that no second is skipped or shown twice in a row.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(refreshMs);
    connect(&timer_, &QTimer::timeout, this, &ClockPanel::Refresh);
    timer_.start();
}

QString ClockPanel::ClockText(const QDateTime& moment, const QLocale& locale) {
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    if (!timeFormat.contains(QLatin1Char('s')))
        timeFormat.replace(QStringLiteral("mm"), QStringLiteral("mm:ss"));
    return locale.toString(moment.date(), QLocale::ShortFormat) + QStringLiteral("   ") +
           locale.toString(moment.time(), timeFormat);
}

void ClockPanel::Refresh() {
    setText(ClockText(now_(), locale_));
}

} // namespace caniparc::ui
