// Drawing the application icon (see AppIcon.h).
#include "AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace caniparc::ui {
namespace {

QPixmap Stopwatch(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 130, 0));
    p.drawRoundedRect(QRectF(26, 2, 12, 8), 2, 2); // the crown
    p.drawEllipse(QRectF(4, 8, 56, 56));
    p.setBrush(Qt::black);
    p.drawEllipse(QRectF(9, 13, 46, 46));
    // "8,8" in yellow segments: the lane clock's face.
    p.setBrush(QColor(255, 255, 0));
    const auto eight = [&p](qreal x) {
        for (qreal y : {22.0, 34.0, 46.0})
            p.drawRect(QRectF(x + 2, y, 10, 3));
        for (qreal y : {24.0, 36.0})
            for (qreal dx : {0.0, 12.0})
                p.drawRect(QRectF(x + dx, y, 3, 10));
    };
    eight(15);
    eight(35);
    p.drawEllipse(QRectF(30.5, 46, 3, 4));
    return picture;
}

} // namespace

QIcon ApplicationIconPicture() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(Stopwatch(size));
    return icon;
}

} // namespace caniparc::ui
