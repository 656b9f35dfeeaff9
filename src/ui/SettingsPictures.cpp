// Drawn pictures of the settings dialog (see SettingsPictures.h).
#include "SettingsPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace caniparc::ui {

QSize AlgorithmPictureSize() {
    return {28, 16};
}

// A pulse: with the algorithm on the start reacts on the rising edge (green), off on the
// falling one (grey arrow at the back edge).
QIcon AlgorithmPicture(bool on) {
    const QSize size = AlgorithmPictureSize();
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(on ? QColor(0, 150, 0) : QColor(90, 90, 90), 2));
    QPainterPath pulse;
    pulse.moveTo(1, 13);
    pulse.lineTo(9, 13);
    pulse.lineTo(9, 3);
    pulse.lineTo(19, 3);
    pulse.lineTo(19, 13);
    pulse.lineTo(27, 13);
    p.drawPath(pulse);
    const int edge = on ? 9 : 19;
    p.setBrush(Qt::red);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPoint(edge, 8), 3, 3);
    return QIcon(picture);
}

SchemePicture::SchemePicture(QWidget* parent) : QWidget(parent) {
    setMinimumSize(sizeHint());
    setAccessibleName(QStringLiteral("Parcours-Schema"));
}

void SchemePicture::SetScheme(int scheme) {
    if (scheme == scheme_)
        return;
    scheme_ = scheme;
    update();
}

// The course runs left to right from the start barrier; lane 2 is drawn only in scheme C and
// the finish barrier only where the course has one of its own.
void SchemePicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(235, 245, 235));
    const int w = width();
    const int lane1 = height() / 3;
    const int lane2 = 2 * height() / 3;
    const auto barrier = [&p](int x, int y, const QString& pins, const QColor& colour) {
        p.setPen(QPen(colour, 3));
        p.drawLine(x, y - 14, x, y + 14);
        p.setPen(Qt::black);
        p.drawText(QRect(x - 24, y + 14, 48, 16), Qt::AlignCenter, pins);
    };
    p.setPen(QPen(QColor(120, 120, 120), 1, Qt::DashLine));
    p.drawLine(20, lane1, w - 20, lane1);
    if (scheme_ == 2)
        p.drawLine(20, lane2, w - 20, lane2);
    const QColor start(0, 150, 0), finish(200, 0, 0);
    const int startY = scheme_ == 2 ? (lane1 + lane2) / 2 : lane1;
    barrier(30, startY, QStringLiteral("7+8"), start);
    if (scheme_ >= 1)
        barrier(w - 40, lane1, QStringLiteral("1+4"), finish);
    if (scheme_ == 2)
        barrier(w - 40, lane2, QStringLiteral("4+6"), finish);
    if (scheme_ == 0) { // start and finish at the same barrier: the course comes back
        p.setPen(QPen(finish, 2));
        p.drawArc(QRect(30, lane1 - 12, w - 70, 40), 0, 180 * 16);
    }
}

} // namespace caniparc::ui
