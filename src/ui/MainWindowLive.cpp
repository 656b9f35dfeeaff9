// The main window's part of the live results: starting and stopping the server as the
// settings say, the status-bar address and the QR code of it for spectators' phones.
#include "LiveServer.h"
#include "MainWindow.h"
#include "export/ClipboardText.h"
#include "live/LiveState.h"

#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>
#include <QVBoxLayout>

#include <qrencode.h>

namespace caniparc::ui {
namespace {

// The QR code of `text`, each module `scale` pixels, with the quiet zone of four modules.
QImage QrCodeImage(const QString& text, int scale) {
    const QByteArray utf8 = text.toUtf8();
    QRcode* code = QRcode_encodeString(utf8.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code)
        return {};
    const int quiet = 4;
    const int size = (code->width + 2 * quiet) * scale;
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 0; y < code->width; ++y)
        for (int x = 0; x < code->width; ++x)
            if (code->data[y * code->width + x] & 1)
                painter.fillRect((x + quiet) * scale, (y + quiet) * scale, scale, scale, Qt::black);
    painter.end();
    QRcode_free(code);
    return image;
}

} // namespace

void MainWindow::BuildLive() {
    Station& station = station_;
    live_ = std::make_unique<LiveServer>(
        [&station] {
            const RunClock& run = station.Run();
            return MakeLiveState({station.GetSettings(),
                                  station.Protocol(),
                                  run.Model(),
                                  station.GetRanking(),
                                  {run.LaneInUse(0), run.LaneInUse(1)},
                                  {station.LaneStartNumber(0), station.LaneStartNumber(1)}});
        },
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
        const QString address = live_->Addresses().value(0);
        livePanel_->setStyleSheet(QString());
        livePanel_->setText(QStringLiteral("<a href=\"qr\" style=\"color: palette(window-text);\">Live: %1</a>")
                                .arg(address.toHtmlEscaped()));
    } else {
        livePanel_->setStyleSheet(QStringLiteral("color: red;"));
        livePanel_->setText(QStringLiteral("Live: %1").arg(live_->ErrorText().toHtmlEscaped()));
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
    const QString address = live_->Addresses().value(0);
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Live-Ergebnisse im Netz"));
    dialog.setAccessibleName(dialog.windowTitle());
    auto* layout = new QVBoxLayout(&dialog);
    auto* picture = new QLabel(&dialog);
    picture->setAccessibleName(QStringLiteral("QR-Code ") + address);
    picture->setPixmap(QPixmap::fromImage(QrCodeImage(address, 8)));
    picture->setAlignment(Qt::AlignCenter);
    auto* text = new QLabel(address, &dialog);
    text->setAccessibleName(address);
    text->setAlignment(Qt::AlignCenter);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setStyleSheet(QStringLiteral("font-size: 16pt;"));
    layout->addWidget(picture);
    layout->addWidget(text);
    dialog.exec();
}

} // namespace caniparc::ui
