// One image held by the library, and the registry that hands out handles.
#pragma once

#include "imagelib/imgctl.h"

#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>
#include <QSize>
#include <QString>

#include <memory>

namespace tervo::imagelib {

// What ToDIB learned from the file's header; enough to decode it later.
struct ImageSource {
    QString path;
    QByteArray format;  // "bmp", "jpeg", "png" or "gif"
    QSize stored_size;  // as stored, before the EXIF orientation is applied
    QImageIOHandler::Transformations orientation = QImageIOHandler::TransformationNone;
};

// An image is pending (only its source is known, plus the turn and the
// conversion asked for since loading) until its pixels are first needed.
// Putting the decode off until the size to show is known lets a large JPEG be
// decoded at a reduced DCT scale instead of in full.
struct ImageRecord {
    ImageSource source;
    bool decoded = false;
    int pending_turn = 0;  // clockwise degrees, applied after the orientation
    bool pending_flatten = false;
    QImage pixels;  // once decoded; null when empty or when decoding failed
    QSize size;     // the size callers see, kept current in both states
};

using RecordPtr = std::shared_ptr<ImageRecord>;

// Thread-safe; handles are never 0 and are not reused while live.
ImageHandle register_record(RecordPtr record);
RecordPtr find_record(ImageHandle handle);
bool release_record(ImageHandle handle);
std::size_t record_count();

}  // namespace tervo::imagelib
