#include "imagelib/orientation.h"

#include "imagelib/pixel_ops.h"

#include <QTransform>

namespace tervo::imagelib {
namespace {

// The point mapping of the orientation on a picture stored at `stored`.
QTransform point_mapping(const Orientation& o, QSize stored) {
    const qreal w = stored.width();
    const qreal h = stored.height();
    QTransform mirror(o.mirror_x ? -1 : 1, 0, 0, o.mirror_y ? -1 : 1, o.mirror_x ? w : 0, o.mirror_y ? h : 0);
    QTransform turn;
    switch (o.turn) {
    case 90:  // (x, y) -> (h - y, x)
        turn = QTransform(0, 1, -1, 0, h, 0);
        break;
    case 180:  // (x, y) -> (w - x, h - y)
        turn = QTransform(-1, 0, 0, -1, w, h);
        break;
    case 270:  // (x, y) -> (y, w - x)
        turn = QTransform(0, -1, 1, 0, 0, w);
        break;
    default:
        break;
    }
    return mirror * turn;  // mirror first, then turn
}

}  // namespace

Orientation Orientation::from_exif(int tag) {
    switch (tag) {
    case 2: return {true, false, 0};
    case 3: return {false, false, 180};
    case 4: return {false, true, 0};
    case 5: return {false, true, 90};  // transposed
    case 6: return {false, false, 90};
    case 7: return {true, false, 90};  // transversed
    case 8: return {false, false, 270};
    default: return {};
    }
}

Orientation Orientation::then_turned(int degrees) const {
    Orientation result = *this;
    result.turn = (turn + degrees) % 360;
    return result;
}

QImage Orientation::apply(const QImage& image) const {
    if (image.isNull() || is_identity()) return image;
    QImage result = (mirror_x || mirror_y) ? image.mirrored(mirror_x, mirror_y) : image;
    return turned(result, turn);
}

QRectF Orientation::map_to_shown(const QRectF& rect, QSize stored) const {
    return point_mapping(*this, stored).mapRect(rect);
}

QRectF Orientation::map_to_stored(const QRectF& rect, QSize stored) const {
    return point_mapping(*this, stored).inverted().mapRect(rect);
}

}  // namespace tervo::imagelib
