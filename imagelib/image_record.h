// One image held by the library, and the registry that hands out handles.
#pragma once

#include "imagelib/decoder.h"
#include "imagelib/file_input.h"
#include "imagelib/imgctl.h"

#include <QImage>
#include <QSize>

#include <memory>

namespace tervo::imagelib {

// The file behind an image, open since ToDIB read its header: every later
// decode reads from this descriptor, never from the name again.
struct ImageSource {
    std::shared_ptr<const FileInput> input;
    ImageInfo info;
};

// An image is pending (only its source is known, plus the turn, conversion
// and size asked for since loading) until its pixels are first needed.
// Putting the decode off until the size to show is known lets it be shrunk
// while it is decoded (a JPEG at a reduced DCT scale first), and a drawing
// that shows only a part of a large image decode and scale only that part.
//
// The picture a record stands for is its base (the file as oriented by its
// EXIF tag, or `pixels` once decoded), turned by pending_turn, flattened if
// pending_flatten, and resized to `target` when that is valid. A decoded
// record has its turn and conversion applied; it keeps a target only when
// that is over the size cap, so it can still be drawn part by part.
struct ImageRecord {
    ImageSource source;
    bool decoded = false;
    int pending_turn = 0;  // clockwise degrees, applied after the orientation
    bool pending_flatten = false;
    QSize target;   // pending resize; invalid when none
    QImage pixels;  // once decoded; null when empty or when decoding failed
    QSize size;     // the size callers see, kept current in every state
};

using RecordPtr = std::shared_ptr<ImageRecord>;

// Thread-safe; handles are never 0 and are not reused while live.
ImageHandle register_record(RecordPtr record);
RecordPtr find_record(ImageHandle handle);
bool release_record(ImageHandle handle);
std::size_t record_count();

}  // namespace tervo::imagelib
