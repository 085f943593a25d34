// Toolbar artwork is drawn as strips of square images side by side.
#pragma once

#include <QImage>
#include <QPainter>

#include <functional>

namespace tervo {

// A transparent strip of `count` images of size x size; `draw` paints image
// `index` at the origin, antialiased and clipped to its square.
QImage paint_image_strip(int count, int size, const std::function<void(QPainter&, int index)>& draw);

}  // namespace tervo
