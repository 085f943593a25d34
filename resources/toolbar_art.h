// The main toolbar's artwork, drawn in code: a strip of 13 images of 32 x 32
// pixels in button order (folder, play back, step back, stop, step forward,
// play forward, rotate, zoom in, zoom out, sort, settings, help, exit).
#pragma once

#include <QImage>

namespace tervo {

inline constexpr int kToolbarImageSize = 32;
inline constexpr int kToolbarImageCount = 13;

// The 416 x 32 strip, transparent where nothing is drawn; drawn for a device
// of `device_ratio` (see paint_image_strip).
QImage toolbar_strip(double device_ratio = 1.0);

// Image n (0..12) of the strip.
QImage toolbar_image(int n, double device_ratio = 1.0);

}  // namespace tervo
