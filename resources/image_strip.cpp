#include "resources/image_strip.h"

namespace tervo {

QImage paint_image_strip(int count, int size, const std::function<void(QPainter&, int)>& draw) {
    QImage strip(count * size, size, QImage::Format_ARGB32_Premultiplied);
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

}  // namespace tervo
