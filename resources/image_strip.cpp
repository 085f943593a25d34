#include "resources/image_strip.h"

namespace tervo {

QImage paint_image_strip(int count, int size, const std::function<void(QPainter&, int)>& draw, double device_ratio) {
    const int side = qRound(size * device_ratio);
    QImage strip(count * side, side, QImage::Format_ARGB32_Premultiplied);
    strip.setDevicePixelRatio(device_ratio);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int index = 0; index < count; ++index) {
        painter.save();
        painter.translate(index * size, 0);
        painter.setClipRect(0, 0, size, size);
        draw(painter, index);
        painter.restore();
    }
    return strip;
}

QImage cut_from_strip(const QImage& strip, int index, int size) {
    const int side = qRound(size * strip.devicePixelRatio());
    QImage image = strip.copy(index * side, 0, side, side);
    image.setDevicePixelRatio(strip.devicePixelRatio());
    return image;
}

}  // namespace tervo
