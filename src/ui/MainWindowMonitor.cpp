// The main window's side of the spectators' display: Ctrl+T and the TV switch show and hide it,
// and every lane digit, start number, best time, scheme and monitor change is written into it,
// also while it is hidden.
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
    connect(monitor_, &MonitorWindow::toggleRequested, this, [this] { ToggleMonitor(); });
    connect(monitor_, &MonitorWindow::hidden, this, [this] {
        if (tvSwitch_)
            tvSwitch_->setChecked(false);
    });
    RefreshMonitor();
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
    if (monitor_->isVisible()) {
        monitor_->hide();
        return;
    }
    RefreshMonitor();
    monitor_->show();
    if (tvSwitch_)
        tvSwitch_->setChecked(true);
    if (settings_.Monitor != 0) { // the operator keeps typing on the main window
        activateWindow();
        raise();
    }
}

void MainWindow::PlaceMonitor() {
    const auto screens = QGuiApplication::screens();
    const int index = settings_.Monitor >= 0 && settings_.Monitor < screens.size() ? settings_.Monitor : 0;
    monitor_->setScreen(screens.at(index)); // separate X screens share coordinates: the screen decides
    monitor_->PlaceOnMonitor(screens.at(index)->geometry(), settings_.TimeFormatIndex == 1);
    monitor_->SetEscapeAllowed(settings_.Monitor == 0);
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
