// The sort window's toolbar artwork: one 96 x 16 strip of six 16 x 16 images
// side by side, in button order: green triangles up and down, the circled
// digits 1, 2 and 3 in green, and a red square with a white power symbol.
#pragma once

#include <QImage>

namespace tervo {

inline constexpr int kSortToolbarImageCount = 6;
inline constexpr int kSortToolbarImageSize = 16;

// The whole strip, on a transparent background.
QImage sort_toolbar_strip(double device_ratio = 1.0);

// Image `index` (0..5) cut from the strip.
QImage sort_toolbar_image(int index, double device_ratio = 1.0);

}  // namespace tervo
