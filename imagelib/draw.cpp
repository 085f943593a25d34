// DIBtoDCex2: drawing an image onto the painter's device.
#include "imagelib/image_record.h"
#include "imagelib/image_source.h"
#include "imagelib/imgctl.h"

#include <QPainter>

namespace tervo {

using namespace imagelib;

int DIBtoDCex2(QPainter* dc, int dest_x, int dest_y, int dest_width, int dest_height, ImageHandle image,
               int src_x, int src_y, int src_width, int src_height, uint32_t rop, int mode) {
    RecordPtr record = find_record(image);
    if (!record || dc == nullptr || !dc->isActive() || rop != SRCCOPY) return 0;
    if (dest_width < 1 || dest_height < 1 || src_width < 1 || src_height < 1) return 0;
    decode_record(*record, QSize());
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
