// Reading image files: the header check of ToDIB and the later decode.
#pragma once

#include "imagelib/image_record.h"

#include <optional>

namespace tervo::imagelib {

// Reads only the header: the format (by content, one of the four), the
// stored size and the EXIF orientation. Nothing when the path is not a
// regular file, the content is not a BMP, JPEG, PNG or GIF, the size cannot
// be read, or the size is over the cap of imgctl.h.
std::optional<ImageSource> probe_image_file(const char* path);

// Whether a size is within the cap of imgctl.h.
bool within_size_cap(QSize size);

// The size to ask Qt's JPEG reader for so that it decodes `stored` at the
// smallest DCT scale (1/8, 1/4, 1/2) still covering `wanted` in both
// directions; `stored` itself when no reduced scale does.
QSize dct_decode_size(QSize stored, QSize wanted);

// Decodes a pending image with its orientation, turn and conversion applied.
// With a valid `target` (in the turned orientation) the result is exactly
// that size, and a JPEG is decoded at a reduced DCT scale when one covers
// it. A null image when the pixels cannot be decoded.
QImage decode_pending(const ImageRecord& record, QSize target);

// Decodes a pending record in place (at `target` when valid, else whole);
// nothing when already decoded. A failed decode leaves no pixels, so the
// image draws nothing and every writer refuses it.
void decode_record(ImageRecord& record, QSize target);

// The record's pixels without changing it, as the writers need them; safe to
// call from several threads on distinct or decoded records.
QImage output_pixels(const ImageRecord& record);

}  // namespace tervo::imagelib
