// The About box's title picture: 150 x 64 pixels, 256 colours, the program's
// name in red italic serif letters on white.
#pragma once

#include <QImage>

namespace tervo {

constexpr int kAboutPictureWidth = 150;
constexpr int kAboutPictureHeight = 64;

// Drawn on first use; an indexed (256-colour) image.
const QImage& about_picture();
// The same drawn for a device of `device_ratio`: that many times the pixels
// each way, tagged with the ratio (the picture above at 1).
QImage about_picture(double device_ratio);

}  // namespace tervo
