// The clock panel (see ClockPanel.h).
#include "ClockPanel.h"

namespace caniparc::ui {

ClockPanel::ClockPanel(QWidget* parent, Now now, const QLocale& locale, int refreshMs)
    : QLabel(parent), now_(now ? std::move(now) : Now([] { return QDateTime::currentDateTime(); })), locale_(locale) {
    setObjectName(QStringLiteral("PanelDate"));
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Refresh();
    // A coarse timer is enough for a display that shows minutes, and it lets the system batch wake-ups.
    timer_.setTimerType(Qt::CoarseTimer);
    timer_.setInterval(refreshMs);
    connect(&timer_, &QTimer::timeout, this, &ClockPanel::Refresh);
    timer_.start();
}

QString ClockPanel::ClockText(const QDateTime& moment, const QLocale& locale) {
    return locale.toString(moment.date(), QLocale::ShortFormat) + QStringLiteral("   ") +
           locale.toString(moment.time(), QLocale::ShortFormat);
}

void ClockPanel::Refresh() {
    setText(ClockText(now_(), locale_));
}

} // namespace caniparc::ui
