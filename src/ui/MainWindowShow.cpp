// The main window's part of the show: the ring's publisher started and stopped as the settings
// say, its status line, and the word to the operator when two stations claim one ring.
#include "MainWindow.h"

#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

#ifdef CANIPARC_WITH_SHOW
#include "StationShow.h"
#include "settings/SettingsPaths.h"
#include "show/ShowConfig.h"
#include "show/ShowSource.h"

#include <QDateTime>
#endif

namespace caniparc::ui {

void MainWindow::BuildShow() {
#ifdef CANIPARC_WITH_SHOW
    Station& station = station_;
    show_ = new StationShow(
        [&station] { return MakeShowSource(station.GetSettings(), station.Protocol(), station.LiveSnapshot()); },
        resources_.showOutbox.empty() ? std::filesystem::path() : PathFromUtf8(resources_.showOutbox),
        [] { return QDateTime::currentMSecsSinceEpoch(); }, this);
    showPanel_ = new QLabel(this);
    showPanel_->setObjectName(QStringLiteral("showPanel"));
    showPanel_->setAccessibleName(QStringLiteral("Verbindung zum Turnier"));
    statusBar()->addWidget(showPanel_);
    showPanel_->hide();
    connect(show_, &StationShow::StatusChanged, this, &MainWindow::RefreshShow);
    connect(show_, &StationShow::RingRefused, this, [this](const QString& ring) {
        InformWithoutWaiting(QStringLiteral("Auf %1 sendet schon eine andere Station an das Turnier.\n"
                                            "Diese Station sendet nicht. Bitte den Ring in den Einstellungen (F2) "
                                            "prüfen.")
                                 .arg(ring));
    });
    connect(show_, &StationShow::SecondStationRefused, this, [this](const QString& ring) {
        InformWithoutWaiting(QStringLiteral("Eine zweite Station wollte ebenfalls als %1 an das Turnier senden und "
                                            "wurde abgewiesen.\nDiese Station sendet weiter.")
                                 .arg(ring));
    });
    // The time since the loss and the count of waiting entries stay current.
    auto* refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, this, &MainWindow::RefreshShow);
    refresh->start(1000);
    ApplyShow();
#endif
}

void MainWindow::ApplyShow() {
#ifdef CANIPARC_WITH_SHOW
    show_->Apply(ShowConfigOf(settings_));
    RefreshShow();
#endif
}

void MainWindow::RefreshShow() {
#ifdef CANIPARC_WITH_SHOW
    const auto line = show_->Status();
    if (!line) {
        showPanel_->hide();
        return;
    }
    const QString text = QString::fromStdString(line->text);
    if (showPanel_->text() != text)
        showPanel_->setText(text);
    const QString style = line->alarm ? QStringLiteral("color: red; font-weight: bold;") : QString();
    if (showPanel_->styleSheet() != style)
        showPanel_->setStyleSheet(style);
    showPanel_->setToolTip(
        show_->Publisher() && !show_->Publisher()->LastError().isEmpty() ? show_->Publisher()->LastError() : text);
    showPanel_->show();
#endif
}

void MainWindow::PublishSoon() {
#ifdef CANIPARC_WITH_SHOW
    if (publishQueued_ || !show_ || !show_->Publisher())
        return;
    publishQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        publishQueued_ = false;
        if (ShowPublisher* publisher = show_->Publisher())
            publisher->Poll();
    });
#endif
}

void MainWindow::StopShow() {
#ifdef CANIPARC_WITH_SHOW
    show_->Stop();
#endif
}

// The ring goes on while the message shows: the command keys reach the main window from it.
void MainWindow::InformWithoutWaiting(const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Information, windowTitle(), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("showMessage"));
    box->setAccessibleName(QStringLiteral("Meldung zum Turnier"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

} // namespace caniparc::ui
