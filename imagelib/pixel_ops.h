// Pixel transformations on decoded images, all done by Qt's own routines.
#pragma once

#include <QImage>
#include <QSize>

namespace tervo::imagelib {

// An angle in degrees reduced to 0, 90, 180 or 270; -1 when it is not a
// multiple of 90.
int normalized_turn(int angle);

// The size after a clockwise turn by `degrees` (0, 90, 180 or 270).
QSize turned_size(QSize size, int degrees);

// The image turned clockwise by `degrees` (0, 90, 180 or 270).
QImage turned(const QImage& image, int degrees);

// Opaque 24-bit colour, held as Format_RGB32 (one unused byte a pixel), the
// format the raster painter copies fastest; transparent parts are
// composited over white.
QImage flattened_opaque(const QImage& image);

// Exactly `size` with smooth resampling: area averaging when shrinking,
// bilinear when enlarging, premultiplied when there is alpha. Unchanged
// when already that size.
QImage resized(const QImage& image, QSize size);

}  // namespace tervo::imagelib
