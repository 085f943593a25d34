// DIBtoDCex2: drawing an image onto the painter's device.
#include "imagelib/failure.h"
#include "imagelib/image_record.h"
#include "imagelib/image_source.h"
#include "imagelib/imgctl.h"

#include <QPaintDevice>
#include <QPainter>

namespace tervo {

using namespace imagelib;

namespace {

// The part of the painter's coordinates that can change a pixel: its
// device, less what its clip leaves out. Nothing when the painter's
// transformation is more than a move or a scale.
std::optional<QRect> visible_area(QPainter& dc) {
    const QPaintDevice* device = dc.device();
    if (device == nullptr) return std::nullopt;
    const QTransform transform = dc.combinedTransform();
    if (transform.type() > QTransform::TxScale) return std::nullopt;
    bool invertible = false;
    const QTransform back = transform.inverted(&invertible);
    if (!invertible) return std::nullopt;
    QRectF area = back.mapRect(QRectF(0, 0, device->width(), device->height()));
    if (dc.hasClipping()) area &= dc.clipBoundingRect();
    return area.toAlignedRect();
}

// Draws only what shows of a pending image drawn one to one: `part` of the
// picture, made for the purpose, never the picture whole.
int draw_part(QPainter& dc, const ImageRecord& record, QPoint origin, QRect part, QRect destination) {
    RenderedPart rendered = render_part(record, part);
    if (rendered.image.isNull()) {
        note_failure(ImageError::DamagedPixels);
        return 0;
    }
    dc.save();
    dc.setCompositionMode(QPainter::CompositionMode_Source);  // replace, never blend
    dc.setClipRect(destination, Qt::IntersectClip);           // the margin round the part stays out
    dc.drawImage(origin + rendered.offset, rendered.image);
    dc.restore();
    return 1;
}

}  // namespace

int DIBtoDCex2(QPainter* dc, int dest_x, int dest_y, int dest_width, int dest_height, ImageHandle image,
               int src_x, int src_y, int src_width, int src_height, uint32_t rop, int mode) {
    RecordPtr record = find_record(image);
    if (!record || dc == nullptr || !dc->isActive() || rop != SRCCOPY) return 0;
    if (dest_width < 1 || dest_height < 1 || src_width < 1 || src_height < 1) return 0;

    const bool pending = !record->decoded || record->target.isValid();
    if (pending && dest_width == src_width && dest_height == src_height) {
        // One to one, as the show draws: only the part inside the device
        // and clip is made, so any zoom draws, whatever the picture's size.
        const QRect whole(QPoint(0, 0), record->size);
        const QRect source = QRect(src_x, src_y, src_width, src_height) & whole;
        if (source.isEmpty()) return 0;
        const QPoint origin(dest_x - src_x, dest_y - src_y);
        const std::optional<QRect> visible = visible_area(*dc);
        if (visible) {
            const QRect part = visible->translated(-origin) & source;
            if (part.isEmpty()) return 1;  // nothing of it shows
            if (part != whole) return draw_part(*dc, *record, origin, part, source.translated(origin));
        }
    }
    decode_record(*record);
    if (record->pixels.isNull()) return 0;

    const QRect source = QRect(src_x, src_y, src_width, src_height) & record->pixels.rect();
    if (source.isEmpty()) return 0;
    // Keep the destination in proportion when the source rectangle was cut
    // at the image's edges, so each pixel lands where it would have.
    const double fx = double(dest_width) / src_width;
    const double fy = double(dest_height) / src_height;
    const QRectF target(dest_x + (source.x() - src_x) * fx, dest_y + (source.y() - src_y) * fy,
                        source.width() * fx, source.height() * fy);

    dc->save();
    dc->setCompositionMode(QPainter::CompositionMode_Source);  // replace, never blend
    dc->setRenderHint(QPainter::SmoothPixmapTransform, mode != 1);
    dc->drawImage(target, record->pixels, QRectF(source));
    dc->restore();
    return 1;
}

}  // namespace tervo
