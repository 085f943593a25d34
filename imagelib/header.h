// The 40-byte bitmap info header HeadDIB fills.
#pragma once

#include "imagelib/imgctl.h"

namespace tervo::imagelib {

// A bottom-up, uncompressed bitmap info header of the given size and depth,
// 96 dpi, no colour table. Negative sizes are written as 0.
image_header make_header(int32_t width, int32_t height, uint16_t bits_per_pixel);

}  // namespace tervo::imagelib
