#include "imagelib/pixel_ops.h"

#include <QPainter>
#include <QTransform>

namespace tervo::imagelib {

int normalized_turn(int angle) {
    if (angle % 90 != 0) return -1;
    return ((angle % 360) + 360) % 360;
}

QSize turned_size(QSize size, int degrees) {
    return (degrees == 90 || degrees == 270) ? size.transposed() : size;
}

QImage turned(const QImage& image, int degrees) {
    if (degrees == 0 || image.isNull()) return image;
    // Qt's raster transform takes its fast rotation path for quarter turns;
    // with y pointing down a positive angle turns clockwise on screen.
    return image.transformed(QTransform().rotate(degrees));
}

QImage flattened_opaque(const QImage& image) {
    if (image.isNull() || image.format() == QImage::Format_RGB32) return image;
    if (!image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_RGB32);
    QImage canvas(image.size(), QImage::Format_RGB32);
    if (canvas.isNull()) return QImage();
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.drawImage(0, 0, image);
    }
    return canvas;
}

QImage resized(const QImage& image, QSize size) {
    if (image.isNull() || image.size() == size) return image;
    // Colours weighted by their alpha, as the shrinking sink averages them:
    // Qt's scaling of unpremultiplied pixels would average them unweighted.
    if (image.hasAlphaChannel() && image.format() != QImage::Format_ARGB32_Premultiplied) {
        const QImage premultiplied = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (premultiplied.isNull()) return QImage();
        return premultiplied.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace tervo::imagelib
