// The information window (see InfoWindow.h).
#include "InfoWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

namespace caniparc::ui {
namespace {

constexpr int kEmblemSize = 72;

const char* const kGuide = "Caniparc misst die Laufzeiten im Agility-Parcours mit Lichtschranken an der "
                           "seriellen Schnittstelle oder nur über die Tastatur und führt das "
                           "Ergebnisprotokoll der Klasse.\n\n"
                           "Tasten:\n"
                           "  F8  Start\n"
                           "  F4  Stopp Bahn 1,  F6  Stopp Bahn 2\n"
                           "  F5  Pause / Weiter\n"
                           "  F7  Lauf eintragen\n"
                           "  Strg+N  Nächster Starter,  Strg+X  Abbruch\n"
                           "  F10, F11, F12  Lichtschranken freigeben oder sperren\n"
                           "  F2  Einstellungen,  F3  Information,  F1  Hilfe\n\n"
                           "Sicherungsdatei: Nach jedem eingetragenen Lauf und beim Beenden wird das "
                           "Protokoll in die Sicherungsdatei <Programmname>-Sicherungsdatei.txt im "
                           "Sicherungsordner geschrieben und beim nächsten Start wiederhergestellt.\n\n"
                           "Kontaktliste: Jeder Kontakt der Ziellichtschranke wird mit seiner Zeit in der "
                           "Kontaktliste der Bahn festgehalten; dort lässt sich eine andere Zielzeit wählen.";

// A stopwatch, drawn so that the window has a picture without any file beside the program.
QPixmap Emblem() {
    QPixmap picture(kEmblemSize, kEmblemSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 40), 3));
    painter.setBrush(QColor(250, 210, 40));
    painter.drawRect(31, 4, 10, 8);
    painter.drawEllipse(QRectF(8, 12, 56, 56));
    painter.setPen(QPen(QColor(40, 40, 40), 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(36, 40), QPointF(36, 20));
    painter.drawLine(QPointF(36, 40), QPointF(50, 48));
    return picture;
}

QPixmap ApplicationIcon(const QStyle* style) {
    const QIcon icon = QApplication::windowIcon();
    const QIcon shown = icon.isNull() ? style->standardIcon(QStyle::SP_MessageBoxInformation) : icon;
    return shown.pixmap(32, 32);
}

QLabel* ProductName() {
    auto* label = new QLabel(QStringLiteral("Caniparc"));
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.8);
    font.setBold(true);
    font.setUnderline(true);
    label->setFont(font);
    return label;
}

} // namespace

QUrl MakerPage() {
    return QUrl(QStringLiteral("https://www.kronolux.example/caniparc/"));
}

InfoWindow::InfoWindow(LinkOpener openLink, QWidget* parent) : QDialog(parent), openLink_(std::move(openLink)) {
    setObjectName(QStringLiteral("TFormInfo"));
    setWindowTitle(QStringLiteral("Information"));
    unlockTimer_.setSingleShot(true);
    unlockTimer_.setInterval(kUnlockDelayMs);

    text_ = new QPlainTextEdit(QString::fromUtf8(kGuide));
    text_->setReadOnly(true);
    text_->setMinimumSize(420, 200);
    ok_ = new QPushButton(QStringLiteral("OK"));
    ok_->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildHeader());
    layout->addWidget(text_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(&unlockTimer_, &QTimer::timeout, ok_, [this] { ok_->setEnabled(true); });
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

QWidget* InfoWindow::BuildHeader() {
    auto* icon = new QLabel;
    icon->setPixmap(ApplicationIcon(style()));
    logo_ = AddLink(new QLabel);
    logo_->setPixmap(Emblem());
    logo_->setAlignment(Qt::AlignCenter);
    maker_ = AddLink(new QLabel(QStringLiteral("Kronolux Zeitmesstechnik")));
    maker_->setStyleSheet(QStringLiteral("color: #1a4fa0;"));

    auto* header = new QWidget;
    auto* grid = new QGridLayout(header);
    grid->addWidget(icon, 0, 0, Qt::AlignTop);
    grid->addWidget(ProductName(), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Version 3.3 (3.07.2007)")), 1, 1);
    grid->addWidget(maker_, 2, 1);
    grid->addWidget(logo_, 0, 2, 3, 1);
    grid->setColumnStretch(1, 1);
    return header;
}

QLabel* InfoWindow::AddLink(QLabel* label) {
    label->setCursor(Qt::PointingHandCursor);
    label->setToolTip(MakerPage().toString());
    label->installEventFilter(this);
    return label;
}

void InfoWindow::SetLogo(const QPixmap& logo) {
    if (!logo.isNull())
        logo_->setPixmap(logo.height() > kEmblemSize ? logo.scaledToHeight(kEmblemSize, Qt::SmoothTransformation)
                                                     : logo);
}

void InfoWindow::reject() {
    if (!Locked())
        QDialog::reject();
}

void InfoWindow::showEvent(QShowEvent* event) {
    // A spontaneous show is the window coming back from being minimised, not a new showing.
    if (!event->spontaneous()) {
        ok_->setEnabled(false);
        unlockTimer_.start();
    }
    QDialog::showEvent(event);
}

void InfoWindow::closeEvent(QCloseEvent* event) {
    if (Locked())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

bool InfoWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool isLink = watched == logo_ || watched == maker_;
    if (isLink && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (openLink_)
            openLink_(MakerPage());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace caniparc::ui
