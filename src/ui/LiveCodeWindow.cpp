// The live results' addresses for phones (see LiveCodeWindow.h).
#include "LiveCodeWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

#include <qrencode.h>

namespace caniparc::ui {

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

QString LivePanelText(const QStringList& addresses) {
    QString text = QStringLiteral("Live: ") + addresses.value(0);
    if (addresses.size() > 1)
        text += QStringLiteral(" (+%1)").arg(addresses.size() - 1);
    return text;
}

QString LivePanelTip(const QStringList& addresses) {
    return addresses.join(QLatin1Char('\n')) + QStringLiteral("\nQR-Code der Adresse zeigen");
}

LiveCodeWindow::LiveCodeWindow(const QStringList& addresses, QWidget* parent) : QDialog(parent), addresses_(addresses) {
    setWindowTitle(QStringLiteral("Live-Ergebnisse im Netz"));
    setAccessibleName(windowTitle());
    auto* layout = new QVBoxLayout(this);
    choice_ = new QComboBox(this);
    choice_->setObjectName(QStringLiteral("cbLiveAddress"));
    choice_->setAccessibleName(QStringLiteral("Adresse"));
    choice_->setToolTip(QStringLiteral("Die Adresse im Netz der Zuschauer"));
    choice_->addItems(addresses_);
    choice_->setVisible(addresses_.size() > 1);
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("LabLiveCode"));
    picture_->setAlignment(Qt::AlignCenter);
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("LabLiveAddress"));
    text_->setAlignment(Qt::AlignCenter);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text_->setStyleSheet(QStringLiteral("font-size: 16pt;"));
    layout->addWidget(choice_);
    layout->addWidget(picture_);
    layout->addWidget(text_);
    connect(choice_, &QComboBox::currentIndexChanged, this, &LiveCodeWindow::Show);
    Show(0);
}

QString LiveCodeWindow::Shown() const {
    return text_->text();
}

void LiveCodeWindow::Show(int index) {
    const QString address = addresses_.value(index);
    if (choice_->currentIndex() != index)
        choice_->setCurrentIndex(index);
    picture_->setPixmap(QPixmap::fromImage(QrCodeImage(address, 8)));
    picture_->setAccessibleName(QStringLiteral("QR-Code ") + address);
    text_->setText(address);
    text_->setAccessibleName(address);
}

} // namespace caniparc::ui
