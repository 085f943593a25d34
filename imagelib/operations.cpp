// The loading, turning, converting and resizing operations of the library.
// Each works on the record behind the handle; a pending record only notes
// what is asked until its pixels are needed (see image_record.h).
#include "imagelib/header.h"
#include "imagelib/image_record.h"
#include "imagelib/image_source.h"
#include "imagelib/imgctl.h"
#include "imagelib/pixel_ops.h"

namespace tervo {

using namespace imagelib;

ImageHandle ToDIB(const char* path) {
    std::optional<ImageSource> source = probe_image_file(path);
    if (!source) return 0;
    auto record = std::make_shared<ImageRecord>();
    record->size = source->orientation.testFlag(QImageIOHandler::TransformationRotate90)
                       ? source->stored_size.transposed()
                       : source->stored_size;
    record->source = std::move(*source);
    return register_record(std::move(record));
}

int DeleteDIB(ImageHandle image) { return release_record(image) ? 1 : 0; }

int TurnDIB(ImageHandle image, int angle) {
    RecordPtr record = find_record(image);
    const int degrees = normalized_turn(angle);
    if (!record || degrees < 0) return 0;
    if (record->decoded)
        record->pixels = turned(record->pixels, degrees);
    else
        record->pending_turn = (record->pending_turn + degrees) % 360;
    record->size = turned_size(record->size, degrees);
    return 1;
}

int DIBto24Bit(ImageHandle image) {
    RecordPtr record = find_record(image);
    if (!record) return 0;
    if (record->decoded)
        record->pixels = flattened_opaque(record->pixels);
    else
        record->pending_flatten = true;
    return 1;
}

int HeadDIB(ImageHandle image, image_header* header) {
    RecordPtr record = find_record(image);
    if (!record || header == nullptr) return 0;
    // 24 once the image is known to be opaque colour, else 32.
    const bool opaque = record->decoded ? !record->pixels.hasAlphaChannel() : record->pending_flatten;
    const uint16_t bits = opaque ? 24 : 32;
    *header = make_header(record->size.width(), record->size.height(), bits);
    return 1;
}

int ResizeDIB(ImageHandle image, int width, int height) {
    RecordPtr record = find_record(image);
    if (!record) return 0;
    if (width < 1 || height < 1) {
        // An empty image: nothing left to decode or draw.
        record->decoded = true;
        record->pixels = QImage();
        record->size = QSize(std::max(width, 0), std::max(height, 0));
        return 1;
    }
    const QSize target(width, height);
    if (!within_size_cap(target)) {
        // The image can never have the asked size. Keeping the old pixels
        // would let a writer save, or the show draw, a picture of another
        // size than asked; the pixels are dropped instead, so it draws and
        // writes nothing.
        record->decoded = true;
        record->pixels = QImage();
        return 0;
    }
    if (!record->decoded) {
        decode_record(*record, target);
        return record->pixels.isNull() ? 0 : 1;
    }
    record->size = target;
    if (record->pixels.isNull()) return 0;
    record->pixels = resized(record->pixels, target);
    return record->pixels.isNull() ? 0 : 1;
}

uint32_t ImgctlVersion() { return 100; }
uint32_t ImgctlBeta() { return 0; }

int CheckDIB(ImageHandle image) {
    RecordPtr record = find_record(image);
    if (!record) return 0;
    if (record->decoded) return record->pixels.isNull() ? 0 : 1;
    // A one-pixel target still reads every pixel of the file but keeps
    // almost nothing; the record stays pending.
    return decode_pending(*record, QSize(1, 1)).isNull() ? 0 : 1;
}

}  // namespace tervo
