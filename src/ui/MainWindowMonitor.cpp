// The main window's side of the spectators' display: Ctrl+T and the TV switch show and hide it,
// and every lane digit, start number, best time, scheme and monitor change is written into it,
// also while it is hidden. A projector unplugged during a show takes the display away with it
// instead of laying it over the operator's screen; plugged in again, it gets the display back.
#include "MainWindow.h"

#include "MonitorWindow.h"
#include "display/MonitorLayout.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QToolButton>

namespace caniparc::ui {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

void MainWindow::BuildMonitor() {
    monitor_ = new MonitorWindow(this);
    auto* tv = new QAction(QStringLiteral("TV Modus"), this);
    tv->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    addAction(tv);
    connect(tv, &QAction::triggered, this, [this] { ToggleMonitor(); });
    connect(monitor_, &MonitorWindow::hidden, this, [this] {
        if (tvSwitch_)
            tvSwitch_->setChecked(false);
    });
    RefreshMonitor();
    FollowScreens();
}

void MainWindow::FollowScreens() {
    connect(qApp, &QGuiApplication::screenRemoved, this, [this](QScreen* gone) { ScreenRemoved(gone); });
    connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen*) { ScreenAdded(); });
}

void MainWindow::ScreenRemoved(QScreen* gone) {
    if (monitor_->isVisible() && monitor_->screen() != gone)
        return;
    // Left alone, the window system would move the display, full-screen, pointerless and on
    // top, over the operator's own screen.
    if (monitor_->isVisible()) {
        monitorLost_ = true;
        monitor_->hide();
        activateWindow();
    }
    PlaceMonitor(); // on the screens there are now, for a Ctrl+T in the meantime
    if (tvSwitch_ && monitorLost_)
        tvSwitch_->setToolTip(QStringLiteral("Strg+T (der Monitor der Anzeige fehlt)"));
}

void MainWindow::ScreenAdded() {
    if (tvSwitch_)
        tvSwitch_->setVisible(true);
    if (!monitorLost_ || settings_.Monitor >= QGuiApplication::screens().size()) {
        if (!monitor_->isVisible())
            PlaceMonitor();
        return;
    }
    ToggleMonitor(); // back on its own monitor
}

// The TV switch: shown only with a second monitor; pressed in while the display is up.
QWidget* MainWindow::BuildTvSwitch(QWidget* parent) {
    tvSwitch_ = new QToolButton(parent);
    tvSwitch_->setObjectName(QStringLiteral("ImageTVAus"));
    tvSwitch_->setText(QStringLiteral("TV"));
    tvSwitch_->setToolTip(QStringLiteral("Strg+T"));
    tvSwitch_->setAccessibleName(QStringLiteral("TV Modus (Strg+T)"));
    tvSwitch_->setCheckable(true);
    tvSwitch_->setFocusPolicy(Qt::NoFocus);
    tvSwitch_->setVisible(QGuiApplication::screens().size() > 1);
    connect(tvSwitch_, &QToolButton::clicked, this, [this] { ToggleMonitor(); });
    return tvSwitch_;
}

void MainWindow::ToggleMonitor() {
    monitorLost_ = false;
    if (tvSwitch_)
        tvSwitch_->setToolTip(QStringLiteral("Strg+T"));
    if (monitor_->isVisible()) {
        monitor_->hide();
        return;
    }
    RefreshMonitor();
    monitor_->show();
    if (tvSwitch_)
        tvSwitch_->setChecked(true);
    if (monitor_->EscapeAllowed()) {
        monitor_->activateWindow(); // over the operator's screen: it takes Esc
    } else {                        // on its own monitor: the operator keeps typing on the main window
        activateWindow();
        raise();
    }
}

void MainWindow::PlaceMonitor() {
    const auto screens = QGuiApplication::screens();
    const int index = settings_.Monitor >= 0 && settings_.Monitor < screens.size() ? settings_.Monitor : 0;
    monitor_->setScreen(screens.at(index)); // separate X screens share coordinates: the screen decides
    monitor_->PlaceOnMonitor(screens.at(index)->geometry(), settings_.TimeFormatIndex == 1);
    // Esc hides the display wherever it covers the operator's screen: on monitor 0, and on any
    // monitor it fell back to because its own is missing.
    monitor_->SetEscapeAllowed(index == 0 || screens.at(index) == screen());
}

void MainWindow::RefreshMonitor() {
    PlaceMonitor();
    monitor_->SetTitle(Text(settings_.Title));
    for (int lane = 0; lane < 2; ++lane)
        monitor_->SetDigits(lane, run_.Lane(lane).digits);
    RefreshMonitorStrips();
}

void MainWindow::RefreshMonitorStrips() {
    if (!monitor_)
        return;
    // The start number a run is entered under: the start list's choice while a list is in use.
    monitor_->SetStripText(0, Text(StartStripText(station_.LaneStartNumber(0))));
    const std::string second = settings_.LsCFG == 2 ? StartStripText(station_.LaneStartNumber(1))
                                                    : BestStripText(station_.GetRanking().bestStartNr);
    monitor_->SetStripText(1, Text(second));
}

void MainWindow::MonitorChanged() {
    // The display moves at once, also while hidden; the title follows with it.
    PlaceMonitor();
    monitor_->SetTitle(Text(settings_.Title));
    RefreshMonitorStrips();
}

} // namespace caniparc::ui
