// Small generated images for the image library's tests, and ways to look at
// what the library made of them.
#pragma once

#include "imagelib/imgctl.h"

#include <QImage>

#include <filesystem>
#include <string>

namespace tervo::testing {

// A smooth colour gradient with a distinct colour in each corner, so turns
// and flips are told apart and JPEG keeps it close.
QImage gradient_image(int width, int height);

// Saves with Qt's writer in the format its suffix names; returns the path.
std::string save_image(const QImage& image, const std::filesystem::path& path, int quality = 95);

// Reads a file back with Qt's own reader (orientation applied).
QImage read_with_qt(const std::string& path);

// The image as the library would draw it: drawn with mode 1 and SRCCOPY at
// (0, 0) onto a canvas of its own size filled with `background`.
QImage drawn_pixels(ImageHandle image, QRgb background = 0xff123456);

// Size from HeadDIB.
QSize head_size(ImageHandle image);

// Largest difference of any colour channel between two images of equal size
// (both taken as opaque RGB); 256 when the sizes differ.
int max_channel_difference(const QImage& a, const QImage& b);

// Mean absolute channel difference; 256 when the sizes differ.
double mean_channel_difference(const QImage& a, const QImage& b);

// Peak signal-to-noise ratio over the colour channels in dB: 99 for equal
// images, 0 when the sizes differ.
double psnr(const QImage& a, const QImage& b);

}  // namespace tervo::testing
