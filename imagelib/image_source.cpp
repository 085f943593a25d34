#include "imagelib/image_source.h"

#include "imagelib/failure.h"
#include "imagelib/load_control.h"
#include "imagelib/memory_budget.h"
#include "imagelib/memory_reuse.h"
#include "imagelib/orientation.h"
#include "imagelib/pixel_ops.h"
#include "imagelib/row_sinks.h"

#include <QPainter>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <new>
#include <vector>

namespace tervo::imagelib {
namespace {

std::optional<ImageInfo> read_info(const FileInput& input, ImageFormat format) {
    switch (format) {
    case ImageFormat::Bmp: return read_bmp_info(input);
    case ImageFormat::Png: return read_png_info(input);
    case ImageFormat::Gif: return read_gif_info(input);
    case ImageFormat::Jpeg: return read_jpeg_info(input);
    case ImageFormat::Webp: return read_webp_info(input);
    case ImageFormat::Avif: return read_avif_info(input);
    case ImageFormat::Heif: return read_heif_info(input);
    case ImageFormat::Tiff: return read_tiff_info(input);
    case ImageFormat::Jxl: return read_jxl_info(input);
    }
    return std::nullopt;
}

bool decode_file(const ImageSource& source, QSize wanted, RowSink& sink) {
    // Never finer than the file holds: a zoomed picture is enlarged later.
    const QSize held = wanted.boundedTo(source.info.stored_size);
    switch (source.info.format) {
    case ImageFormat::Bmp: return decode_bmp(*source.input, sink);
    case ImageFormat::Png: return decode_png_for_size(*source.input, held, sink);
    case ImageFormat::Gif: return decode_gif(*source.input, sink);
    case ImageFormat::Jpeg: return decode_jpeg(*source.input, held, sink);
    case ImageFormat::Webp: return decode_webp(*source.input, held, sink);
    case ImageFormat::Avif: return decode_avif(*source.input, sink);
    case ImageFormat::Heif: return decode_heif(*source.input, sink);
    case ImageFormat::Tiff: return decode_tiff(*source.input, sink);
    case ImageFormat::Jxl: return decode_jxl(*source.input, sink);
    }
    return false;
}

// How a record's base becomes its picture.
struct Plan {
    Orientation orientation;  // base as stored -> as shown, before the resize
    QSize stored;             // the base as stored
    QSize shown;              // the base as shown
    QSize target;             // the picture
};

Plan plan_of(const ImageRecord& record) {
    Plan plan;
    if (record.decoded) {
        plan.stored = record.pixels.size();
    } else {
        plan.orientation = Orientation::from_exif(record.source.info.exif_orientation).then_turned(record.pending_turn);
        plan.stored = record.source.info.stored_size;
    }
    plan.shown = plan.orientation.shown_size(plan.stored);
    plan.target = record.target.isValid() ? record.target : plan.shown;
    return plan;
}

QRectF scaled_rect(const QRectF& rect, double sx, double sy) {
    return QRectF(rect.x() * sx, rect.y() * sy, rect.width() * sx, rect.height() * sy);
}

// What a shrinking sink kept of the base, the sink's own buffers released.
struct Kept {
    QImage image;
    QRectF stored_rect;  // in stored pixels of the base
};

// Claims from the process's budget what the shrinking sink and the copies
// made after it will hold, once the sink has planned its buffers, and stops
// the rows of a load that is to stop.
class ClaimingSink : public RowSink {
public:
    ClaimingSink(ShrinkingSink& sink, QSize wanted, QRectF part, bool copies, MemoryClaim& claim) : sink_(sink) {
        const auto side = [](double fraction, int length) { return int64_t(std::ceil(fraction * length)) + 2; };
        const int64_t resized = 4 * side(part.width(), wanted.width()) * side(part.height(), wanted.height());
        // The shrunk picture is held throughout; beside it, first what else
        // the sink holds, then a turned or flattened copy, then the resized one.
        sink_.claim_before_start([&claim, copies, resized](int64_t held, int64_t result) {
            claim = MemoryClaim(std::max(held, result + std::max(copies ? result : 0, resized)));
            return bool(claim);
        });
    }

    void decoder_holds(int64_t bytes) override { sink_.decoder_holds(bytes); }
    bool start(QSize size, QImage::Format format) override {
        try {
            spare_.resize(std::size_t(image_bytes(QSize(size.width(), 1), format)));
        } catch (const std::bad_alloc&) {
            return false;
        }
        return sink_.start(size, format);
    }
    // Once the load is to stop, rows go to a spare one (not every decoder
    // can stop at a row it asked for) and none after it is wanted.
    uchar* row(int y) override {
        if (stopped_ || load_stopped()) stopped_ = true;
        return stopped_ ? spare_.data() : sink_.row(y);
    }
    void row_done(int y) override {
        if (!stopped_) sink_.row_done(y);
    }
    bool wants_rows_after(int y) const override { return !stopped_ && sink_.wants_rows_after(y); }
    bool stopped() const { return stopped_; }

private:
    ShrinkingSink& sink_;
    std::vector<uchar> spare_;
    bool stopped_ = false;
};

Kept shrink_base(const ImageRecord& record, const Plan& plan, const QRectF& stored_part, MemoryClaim& claim) {
    const QSize wanted = plan.orientation.swaps_axes() ? plan.target.transposed() : plan.target;
    const QRectF fraction = scaled_rect(stored_part, 1.0 / plan.stored.width(), 1.0 / plan.stored.height());
    ShrinkingSink shrinking(wanted, fraction);
    const bool copies = !plan.orientation.is_identity() || record.pending_flatten;
    ClaimingSink sink(shrinking, wanted, fraction, copies, claim);
    const bool ok = record.decoded ? feed_rows(record.pixels, sink) : decode_file(record.source, wanted, sink);
    if (!ok || sink.stopped() || shrinking.image().isNull()) return {};
    const QSize delivered = shrinking.source_size();
    return {std::move(shrinking.image()),
            scaled_rect(QRectF(shrinking.kept()), double(plan.stored.width()) / delivered.width(),
                        double(plan.stored.height()) / delivered.height())};
}

// Turns, flattens and scales what the sink kept to `size` (unless invalid),
// the smaller side first: turning and flattening cost in proportion to the
// pixels.
QImage finish(QImage image, const ImageRecord& record, const Plan& plan, QSize size) {
    if (!plan.orientation.is_identity()) {
        if (!copy_fits(image, image.size())) return QImage();
        image = plan.orientation.apply(image);
    }
    if (record.pending_flatten && !image.isNull()) {
        if (!copy_fits(image, image.size())) return QImage();
        image = flattened_opaque(image);
    }
    if (image.isNull() || !copy_fits(image, size)) return QImage();
    return size.isValid() ? resized(image, size) : image;
}

// The pixels of `part` of the picture, sampled from `base` (turned and
// flattened), which covers `at` of it: for a zoom so large that the kept
// pixels enlarged whole would not fit in memory. Bilinear, as Qt enlarges.
QImage sampled_part(const QImage& base, const QRectF& at, QRect part) {
    const double sx = at.width() / base.width();
    const double sy = at.height() / base.height();
    const QRectF source((part.x() - at.x()) / sx, (part.y() - at.y()) / sy, part.width() / sx, part.height() / sy);
    QImage image(part.size(), base.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull()) return QImage();
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(part.size())), base, source);
    return image;
}

}  // namespace

bool within_size_cap(QSize size) {
    return size.width() > 0 && size.height() > 0 && size.width() <= kMaxImageSide &&
           size.height() <= kMaxImageSide && int64_t{size.width()} * size.height() <= kMaxImagePixels;
}

std::optional<ImageSource> probe_image_file(const char* path) {
    if (path == nullptr || *path == '\0') {
        note_failure(ImageError::CannotOpen, ENOENT);
        return std::nullopt;
    }
    keep_freed_memory_for_reuse();
    errno = 0;
    std::shared_ptr<const FileInput> input = FileInput::open(path);
    if (!input) {
        note_failure(errno != 0 ? ImageError::CannotOpen : ImageError::NotAFile, errno);
        return std::nullopt;
    }
    const std::optional<ImageFormat> format = sniff_format(*input);
    if (!format) {
        note_failure(ImageError::UnknownFormat);
        return std::nullopt;
    }
    std::optional<ImageInfo> info = read_info(*input, *format);
    if (!info || info->format != *format) {
        note_failure(ImageError::DamagedHeader);
        return std::nullopt;
    }
    if (!within_size_cap(info->stored_size)) {
        note_failure(ImageError::TooLarge);
        return std::nullopt;
    }
    return ImageSource{std::move(input), *info};
}

QImage render_whole(const ImageRecord& record) {
    if (record.decoded && !record.target.isValid()) return record.pixels;
    if (record.decoded && record.pixels.isNull()) return QImage();
    const Plan plan = plan_of(record);
    if (!within_size_cap(plan.target)) return QImage();
    MemoryClaim claim;
    Kept kept = shrink_base(record, plan, QRectF(QPointF(0, 0), plan.stored), claim);
    if (kept.image.isNull()) return QImage();
    return finish(std::move(kept.image), record, plan, plan.target);
}

RenderedPart render_part(const ImageRecord& record, QRect part) {
    if (record.decoded && record.pixels.isNull()) return {};
    const Plan plan = plan_of(record);
    part &= QRect(QPoint(0, 0), plan.target);
    if (part.isEmpty() || plan.stored.isEmpty()) return {};
    const double to_shown_x = double(plan.shown.width()) / plan.target.width();
    const double to_shown_y = double(plan.shown.height()) / plan.target.height();
    // One base pixel more on every side, for the smooth scaling's
    // neighbours at the part's edges.
    const QRectF shown_part = scaled_rect(QRectF(part), to_shown_x, to_shown_y).adjusted(-1, -1, 1, 1) &
                              QRectF(QPointF(0, 0), plan.shown);
    MemoryClaim claim;
    Kept kept = shrink_base(record, plan, plan.orientation.map_to_stored(shown_part, plan.stored), claim);
    if (kept.image.isNull()) return {};

    // Where the kept pixels lie in the picture, to the nearest pixel.
    const QRectF at = scaled_rect(plan.orientation.map_to_shown(kept.stored_rect, plan.stored), 1 / to_shown_x,
                                  1 / to_shown_y);
    const QPoint top_left(int(std::lround(at.left())), int(std::lround(at.top())));
    const int64_t width = std::max<int64_t>(1, std::llround(at.right()) - top_left.x());
    const int64_t height = std::max<int64_t>(1, std::llround(at.bottom()) - top_left.y());
    if (width > kMaxImageSide || height > kMaxImageSide || !copy_fits(kept.image, QSize(int(width), int(height)))) {
        const QImage base = finish(std::move(kept.image), record, plan, QSize());
        if (base.isNull()) return {};
        QImage image = sampled_part(base, at, part);
        if (image.isNull()) return {};
        return {std::move(image), part.topLeft()};
    }
    QImage image = finish(std::move(kept.image), record, plan, QSize(int(width), int(height)));
    if (image.isNull()) return {};
    return {std::move(image), top_left};
}

void decode_record(ImageRecord& record) {
    if (record.decoded && !record.target.isValid()) return;
    record.pixels = render_whole(record);
    if (record.pixels.isNull()) note_failure(ImageError::DamagedPixels);
    record.decoded = true;
    record.pending_turn = 0;
    record.pending_flatten = false;
    record.target = QSize();
}

QImage output_pixels(const ImageRecord& record) {
    clear_failure();  // the writers' first step
    QImage pixels = render_whole(record);
    if (pixels.isNull() && !record.size.isEmpty()) note_failure(ImageError::DamagedPixels);
    return pixels;
}

}  // namespace tervo::imagelib
