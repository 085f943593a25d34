#include "resources/about_picture.h"

#include <QFont>
#include <QPainter>

namespace tervo {

namespace {

QImage draw_about_picture() {
    QImage canvas(kAboutPictureWidth, kAboutPictureHeight, QImage::Format_RGB32);
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
    painter.drawText(canvas.rect(), Qt::AlignCenter, QStringLiteral("Tervo"));
    painter.end();
    // A 256-colour picture, as the program has always shipped it.
    return canvas.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
}

}  // namespace

const QImage& about_picture() {
    static const QImage picture = draw_about_picture();
    return picture;
}

}  // namespace tervo
