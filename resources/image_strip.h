// Toolbar artwork is drawn as strips of square images side by side.
#pragma once

#include <QImage>
#include <QPainter>

#include <functional>

namespace tervo {

// A transparent strip of `count` images of size x size; `draw` paints image
// `index` at the origin, antialiased and clipped to its square. Sizes are
// logical: the strip has `device_ratio` times as many pixels each way and is
// tagged with that ratio.
QImage paint_image_strip(int count, int size, const std::function<void(QPainter&, int index)>& draw,
                         double device_ratio = 1.0);

// Image `index` of such a strip, with the strip's ratio.
QImage cut_from_strip(const QImage& strip, int index, int size);

}  // namespace tervo
