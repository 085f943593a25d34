// Reading image files: the header check of ToDIB and the later decode of a
// record's picture, whole or a part of it, at the size it is to have.
#pragma once

#include "imagelib/image_record.h"

#include <QPoint>
#include <QRect>

#include <optional>

namespace tervo::imagelib {

// Opens the path's bytes once and reads only the header: the format (by
// content), the stored size and the orientation. Nothing when the path is
// not a regular file, the content is not of a format read here, the header
// is damaged, or the size is over the cap.
std::optional<ImageSource> probe_image_file(const char* path);

// Whether a size is within the cap of imgctl.h.
bool within_size_cap(QSize size);

// The record's picture (see image_record.h) in full: null when its pixels
// cannot be decoded, it is over the size cap or it does not fit the memory
// budget. Does not change the record; safe on distinct records at once.
QImage render_whole(const ImageRecord& record);

// A part of the record's picture: `part` is a rectangle of the picture at
// its size (record.size); the image returned covers at least that part and
// starts at `offset` in the picture. Only the source pixels of that part
// are kept and scaled, so any size the picture is given can be drawn.
struct RenderedPart {
    QImage image;
    QPoint offset;
};
RenderedPart render_part(const ImageRecord& record, QRect part);

// Decodes a pending record in place, at its target size; nothing when it is
// already decoded. A failed decode leaves no pixels, so the image draws
// nothing and every writer refuses it.
void decode_record(ImageRecord& record);

// The record's pixels without changing it, as the writers need them.
QImage output_pixels(const ImageRecord& record);

}  // namespace tervo::imagelib
