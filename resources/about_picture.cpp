#include "resources/about_picture.h"

#include <QFont>
#include <QPainter>

namespace tervo {

namespace {

QImage draw_about_picture(double device_ratio) {
    QImage canvas(qRound(kAboutPictureWidth * device_ratio), qRound(kAboutPictureHeight * device_ratio),
                  QImage::Format_RGB32);
    canvas.setDevicePixelRatio(device_ratio);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setStyleHint(QFont::Serif);
    font.setItalic(true);
    font.setBold(true);
    font.setPixelSize(44);
    painter.setFont(font);
    painter.setPen(QColor(204, 0, 0));
    painter.drawText(QRect(0, 0, kAboutPictureWidth, kAboutPictureHeight), Qt::AlignCenter, QStringLiteral("Tervo"));
    painter.end();
    // A 256-colour picture, as the program has always shipped it.
    QImage picture = canvas.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    picture.setDevicePixelRatio(device_ratio);
    return picture;
}

}  // namespace

const QImage& about_picture() {
    static const QImage picture = draw_about_picture(1.0);
    return picture;
}

QImage about_picture(double device_ratio) {
    return device_ratio == 1.0 ? about_picture() : draw_about_picture(device_ratio);
}

}  // namespace tervo
