#include "resources/icon_art.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tervo {

QImage program_icon_image(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 32-unit grid and scaled, so every size shows the same picture.
    p.scale(size / 32.0, size / 32.0);
    const bool small = size < 24;

    // the frame
    p.setPen(QPen(QColor(60, 40, 20), small ? 1.5 : 1));
    p.setBrush(QColor(170, 110, 50));
    p.drawRoundedRect(QRectF(1.5, 3.5, 29, 25), 2, 2);
    // the picture: sky, sun, hills
    const QRectF picture(4.5, 6.5, 23, 19);
    p.setPen(Qt::NoPen);
    QLinearGradient sky(0, 6, 0, 26);
    sky.setColorAt(0, QColor(90, 160, 240));
    sky.setColorAt(1, QColor(200, 230, 255));
    p.setBrush(sky);
    p.drawRect(picture);
    p.setBrush(QColor(255, 200, 40));
    p.drawEllipse(QPointF(9.5, 11), 2.8, 2.8);
    p.setClipRect(picture);
    QPainterPath hills;
    hills.moveTo(4, 26);
    hills.quadTo(12, 14, 20, 22);
    hills.quadTo(25, 17, 28, 20);
    hills.lineTo(28, 26);
    hills.closeSubpath();
    p.setBrush(QColor(50, 150, 60));
    p.drawPath(hills);
    p.setClipping(false);
    // the play arrow over the lower right corner
    QPainterPath arrow;
    arrow.moveTo(17, 15);
    arrow.lineTo(30, 22.5);
    arrow.lineTo(17, 30);
    arrow.closeSubpath();
    p.setPen(QPen(Qt::white, small ? 2 : 1.5));
    p.setBrush(QColor(30, 90, 200));
    p.drawPath(arrow);
    return image;
}

QIcon program_icon() {
    QIcon icon;
    for (int size : {kSmallIconSize, kLargeIconSize, 48, 64, 128})
        icon.addPixmap(QPixmap::fromImage(program_icon_image(size)));
    return icon;
}

}  // namespace tervo
