// The loading, turning, converting and resizing operations of the library.
// Each works on the record behind the handle; a pending record only notes
// what is asked until its pixels are needed (see image_record.h).
#include "imagelib/failure.h"
#include "imagelib/header.h"
#include "imagelib/image_record.h"
#include "imagelib/image_source.h"
#include "imagelib/imgctl.h"
#include "imagelib/memory_budget.h"
#include "imagelib/orientation.h"
#include "imagelib/pixel_ops.h"

namespace tervo {

using namespace imagelib;

ImageHandle ToDIB(const char* path) {
    clear_failure();
    std::optional<ImageSource> source = probe_image_file(path);
    if (!source) return 0;
    auto record = std::make_shared<ImageRecord>();
    record->size = Orientation::from_exif(source->info.exif_orientation).shown_size(source->info.stored_size);
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
    // A turn after a resize is the same as the turn before it to the turned
    // size, so a pending resize stays pending.
    if (record->target.isValid()) record->target = turned_size(record->target, degrees);
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
        record->target = QSize();
        record->size = QSize(std::max(width, 0), std::max(height, 0));
        return 1;
    }
    const QSize target(width, height);
    if (!record->decoded) {
        if (!record->target.isValid()) {
            // Only noted: the pixels are made when drawn or written, and then
            // only as many as are needed.
            record->target = target;
            record->size = target;
            return 1;
        }
        // A second resize works on the first one's result, as it would had
        // that been made at once.
        decode_record(*record);
    }
    record->size = target;
    if (record->pixels.isNull()) return 0;
    if (!within_size_cap(target)) {
        // Too large to hold whole: kept as a target, so that the part on
        // show can be drawn; writers refuse it.
        record->target = target;
        return 1;
    }
    record->target = QSize();
    record->pixels = copy_fits(record->pixels, target) ? resized(record->pixels, target) : QImage();
    return record->pixels.isNull() ? 0 : 1;
}

uint32_t ImgctlVersion() { return kImgctlVersion; }
uint32_t ImgctlBeta() { return kImgctlBeta; }

int CheckDIB(ImageHandle image) {
    RecordPtr record = find_record(image);
    if (!record) return 0;
    if (record->decoded) return record->pixels.isNull() ? 0 : 1;
    // A copy asked for at one pixel still reads every pixel of the file but
    // keeps almost nothing; the record itself stays pending.
    ImageRecord probe = *record;
    probe.target = QSize(1, 1);
    return render_whole(probe).isNull() ? 0 : 1;
}

}  // namespace tervo
