#include "imagelib/image_source.h"

#include "imagelib/pixel_ops.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace tervo::imagelib {
namespace {

// The largest buffer a decode may allocate, in MiB: an image at the pixel
// cap at four bytes a pixel, with a little room for row padding.
constexpr int kDecodeAllocationLimitMb = int((kMaxImagePixels * 4) >> 20) + 16;

// JPEG files up to this size are read into memory before decoding; larger
// ones (padded with junk, say) are read from the file as they decode.
constexpr qint64 kJpegInMemoryLimit = qint64{256} << 20;

bool is_supported_format(const QByteArray& format) {
    return format == "bmp" || format == "jpeg" || format == "png" || format == "gif";
}

}  // namespace

bool within_size_cap(QSize size) {
    return size.width() > 0 && size.height() > 0 && size.width() <= kMaxImageSide &&
           size.height() <= kMaxImageSide &&
           int64_t{size.width()} * size.height() <= kMaxImagePixels;
}

std::optional<ImageSource> probe_image_file(const char* path) {
    if (path == nullptr || *path == '\0') return std::nullopt;
    const QString name = QFile::decodeName(path);
    if (!QFileInfo(name).isFile()) return std::nullopt;

    QImageReader reader(name);
    reader.setDecideFormatFromContent(true);  // a misnamed file still loads
    const QByteArray format = reader.format();
    if (!is_supported_format(format)) return std::nullopt;
    QSize size = reader.size();
    // Qt reports a top-down BMP with the negative height of its header.
    if (format == "bmp" && size.height() < 0 && size.height() > -kMaxImageSide - 1)
        size.setHeight(-size.height());
    if (!within_size_cap(size)) return std::nullopt;

    ImageSource source;
    source.path = name;
    source.format = format;
    source.stored_size = size;
    source.orientation = reader.transformation();
    return source;
}

QSize dct_decode_size(QSize stored, QSize wanted) {
    // Qt's JPEG reader picks the DCT scale as the whole quotient of stored
    // and asked size, so the asked size must be the rounded-down fraction:
    // the rounded-up one libjpeg produces would fall back to a finer scale.
    for (int denominator : {8, 4, 2}) {
        const QSize scaled(stored.width() / denominator, stored.height() / denominator);
        if (scaled.width() >= wanted.width() && scaled.height() >= wanted.height()) return scaled;
    }
    return stored;
}

QImage decode_pending(const ImageRecord& record, QSize target) {
    const ImageSource& source = record.source;
    // A JPEG is read whole first: libjpeg pulls small chunks, which come
    // quicker from memory than through the file device, and JPEG files are
    // small beside their pixels.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QImageReader reader;
    if (source.format == "jpeg" && QFileInfo(source.path).size() <= kJpegInMemoryLimit) {
        QFile file(source.path);
        if (!file.open(QIODevice::ReadOnly)) return QImage();
        bytes = file.readAll();
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
    } else {
        reader.setFileName(source.path);
    }
    reader.setFormat(source.format);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(kDecodeAllocationLimitMb);

    // Size wanted before the turn; a quarter turn swaps it back.
    const QSize before_turn = target.isValid() ? turned_size(target, record.pending_turn) : QSize();
    if (before_turn.isValid() && source.format == "jpeg") {
        // The reader scales in the file's stored orientation, before EXIF.
        const QSize stored_wanted = source.orientation.testFlag(QImageIOHandler::TransformationRotate90)
                                        ? before_turn.transposed()
                                        : before_turn;
        const QSize decode_size = dct_decode_size(source.stored_size, stored_wanted);
        if (decode_size != source.stored_size) reader.setScaledSize(decode_size);
    }

    QImage image = reader.read();
    if (image.isNull()) return image;
    // Turning and converting cost in proportion to the pixels: do them after
    // shrinking but before enlarging.
    auto area = [](QSize s) { return int64_t{s.width()} * s.height(); };
    if (before_turn.isValid() && area(before_turn) < area(image.size())) image = resized(image, before_turn);
    image = turned(image, record.pending_turn);
    if (record.pending_flatten) image = flattened_opaque(image);
    if (target.isValid()) image = resized(image, target);
    return image;
}

void decode_record(ImageRecord& record, QSize target) {
    if (record.decoded) return;
    record.pixels = decode_pending(record, target);
    record.decoded = true;
    record.pending_turn = 0;
    record.pending_flatten = false;
    if (target.isValid())
        record.size = target;
    else if (!record.pixels.isNull())
        record.size = record.pixels.size();
}

QImage output_pixels(const ImageRecord& record) {
    return record.decoded ? record.pixels : decode_pending(record, QSize());
}

}  // namespace tervo::imagelib
