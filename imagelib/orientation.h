// How a picture as stored in its file becomes the picture on show: the EXIF
// orientation of a JPEG followed by the turns asked for since loading. Both
// are a mirroring followed by a clockwise quarter turn, and so is their sum,
// which lets the library apply them in one go after shrinking and map a part
// of the picture on show back to the part of the file it comes from.
#pragma once

#include <QImage>
#include <QRectF>
#include <QSize>

namespace tervo::imagelib {

struct Orientation {
    bool mirror_x = false;  // left and right swapped first
    bool mirror_y = false;  // top and bottom swapped first
    int turn = 0;           // then turned clockwise: 0, 90, 180 or 270

    // The EXIF orientation tag's value (1..8); anything else is upright.
    static Orientation from_exif(int tag);
    // This orientation followed by a clockwise turn of `degrees` (0..270).
    Orientation then_turned(int degrees) const;

    bool swaps_axes() const { return turn == 90 || turn == 270; }
    bool is_identity() const { return !mirror_x && !mirror_y && turn == 0; }
    // The size on show of a picture stored at `size`.
    QSize shown_size(QSize size) const { return swaps_axes() ? size.transposed() : size; }
    // A stored picture put the way it is shown (a null image when there is
    // no memory for it).
    QImage apply(const QImage& image) const;
    // Where a rectangle of a picture stored at `stored` lands on show, and
    // back again; rectangles in continuous pixel coordinates.
    QRectF map_to_shown(const QRectF& rect, QSize stored) const;
    QRectF map_to_stored(const QRectF& rect, QSize stored) const;
};

}  // namespace tervo::imagelib
