// The main window's part of the live results: starting and stopping the server as the
// settings say, the status-bar address and the QR code of it for spectators' phones.
#include "LiveCodeWindow.h"
#include "LiveServer.h"
#include "MainWindow.h"
#include "export/ClipboardText.h"

#include <QLabel>
#include <QStatusBar>

namespace caniparc::ui {

void MainWindow::BuildLive() {
    Station& station = station_;
    live_ = std::make_unique<LiveServer>([&station] { return station.LiveSnapshot(); },
                                         [&station] { return ClipboardText(station.Protocol()); });
    livePanel_ = new QLabel(this);
    livePanel_->setObjectName(QStringLiteral("livePanel"));
    livePanel_->setAccessibleName(QStringLiteral("Live-Ergebnisse im Netz"));
    livePanel_->setToolTip(QStringLiteral("QR-Code der Adresse zeigen"));
    livePanel_->setCursor(Qt::PointingHandCursor);
    connect(livePanel_, &QLabel::linkActivated, this, [this] { ShowLiveCode(); });
    statusBar()->addWidget(livePanel_);
    livePanel_->hide();
    ApplyLive();
}

void MainWindow::ApplyLive() {
    const bool wanted = settings_.LiveWeb != 0;
    const auto port = static_cast<quint16>(settings_.LivePort);
    if (!wanted)
        live_->Stop();
    else if (!live_->Listening() || live_->Port() != port)
        live_->Start(port);
    if (!wanted) {
        livePanel_->hide();
        return;
    }
    if (live_->Listening()) {
        const QStringList addresses = live_->PhoneAddresses();
        livePanel_->setStyleSheet(QString());
        livePanel_->setText(QStringLiteral("<a href=\"qr\" style=\"color: palette(window-text);\">%1</a>")
                                .arg(LivePanelText(addresses).toHtmlEscaped()));
        livePanel_->setToolTip(LivePanelTip(addresses));
    } else {
        livePanel_->setStyleSheet(QStringLiteral("color: red;"));
        livePanel_->setText(QStringLiteral("Live: %1").arg(live_->ErrorText().toHtmlEscaped()));
        livePanel_->setToolTip(live_->ErrorText());
    }
    livePanel_->show();
}

QString MainWindow::LiveAddressText() const {
    if (settings_.LiveWeb == 0)
        return QStringLiteral("aus");
    if (!live_->Listening())
        return live_->ErrorText();
    return live_->Addresses().join(QLatin1Char('\n'));
}

void MainWindow::ShowLiveCode() {
    if (!live_->Listening())
        return;
    LiveCodeWindow window(live_->PhoneAddresses(), this);
    window.exec();
}

} // namespace caniparc::ui
