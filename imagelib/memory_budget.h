// How much memory one load may hold in pixel buffers, whatever its file
// claims: the decoders cap their own buffers at kDecoderMemoryLimit, the
// sink that receives their rows takes the rest, and once the decoder is done
// every later copy (turning, flattening, scaling) fits in the whole budget
// with the buffer it is made from.
#pragma once

#include "imagelib/decoder.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <limits>

namespace tervo::imagelib {

constexpr int64_t kLoadMemoryLimit = int64_t{512} << 20;
constexpr int64_t kSinkMemoryLimit = kLoadMemoryLimit - kDecoderMemoryLimit;

// More than any budget, yet a few of it still add up without overflow.
constexpr int64_t kBeyondAnyBudget = std::numeric_limits<int64_t>::max() / 8;

// Bytes of a QImage of that size and format (rows padded to 4 bytes), or
// kBeyondAnyBudget when the size is absurd.
inline int64_t image_bytes(QSize size, QImage::Format format) {
    if (size.width() <= 0 || size.height() <= 0) return 0;
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const int64_t line = ((int64_t{size.width()} * depth + 31) / 32) * 4;
    if (line > kBeyondAnyBudget / size.height()) return kBeyondAnyBudget;
    return line * size.height();
}

// A copy of `from` at `to_size` (in a 32-bit format) fits beside it.
inline bool copy_fits(const QImage& from, QSize to_size) {
    return image_bytes(from.size(), from.format()) + image_bytes(to_size, QImage::Format_ARGB32) <=
           kLoadMemoryLimit;
}

}  // namespace tervo::imagelib
