#include "imagelib/row_sinks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tervo::imagelib {
namespace {

// The format Qt's smooth scaling works in; converting each band to it in
// place spares scaled() a converted copy.
QImage::Format scaling_format(QImage::Format format) {
    return QImage::toPixelFormat(format).alphaUsage() == QPixelFormat::UsesAlpha
               ? QImage::Format_ARGB32_Premultiplied
               : QImage::Format_RGB32;
}

// How many pixels of `kept` (out of `whole`) remain when the whole is to
// become `wanted`: in proportion, at least one, never more than kept.
int shrunk_length(int kept, int whole, int wanted) {
    if (wanted >= whole) return kept;
    if (kept == whole) return wanted;
    const int64_t length = std::llround(double(kept) * wanted / whole);
    return int(std::clamp<int64_t>(length, 1, kept));
}

}  // namespace

bool WholeImageSink::start(QSize size, QImage::Format format) {
    image_ = QImage(size, format);
    return !image_.isNull();
}

ShrinkingSink::ShrinkingSink(QSize wanted, QRectF part, int64_t memory_limit)
    : wanted_(wanted), part_(part), memory_limit_(memory_limit) {}

bool ShrinkingSink::start(QSize size, QImage::Format format) {
    if (size.isEmpty() || !wanted_.isValid() || wanted_.isEmpty()) return false;
    source_size_ = size;
    format_ = format;
    bytes_per_pixel_ = QImage::toPixelFormat(format).bitsPerPixel() / 8;
    if (bytes_per_pixel_ < 1) return false;

    const QRectF part(part_.x() * size.width(), part_.y() * size.height(), part_.width() * size.width(),
                      part_.height() * size.height());
    kept_ = QRect(QPoint(int(std::floor(part.left())), int(std::floor(part.top()))),
                  QPoint(int(std::ceil(part.right())) - 1, int(std::ceil(part.bottom())) - 1)) &
            QRect(QPoint(0, 0), size);
    if (kept_.isEmpty()) return false;
    const QSize out_size(shrunk_length(kept_.width(), size.width(), wanted_.width()),
                         shrunk_length(kept_.height(), size.height(), wanted_.height()));
    shrinking_ = out_size != kept_.size();

    const int band_rows = shrinking_ ? int(std::min<int64_t>(
                                           kept_.height(), int64_t{kMinBandRows} * 2 +
                                                               (int64_t{kept_.height()} + out_size.height() - 1) /
                                                                   out_size.height()))
                                     : 0;
    const QImage::Format out_format = shrinking_ ? scaling_format(format) : format;
    const int64_t needed = image_bytes(out_size, out_format) + image_bytes(QSize(kept_.width(), band_rows), format) +
                           image_bytes(QSize(size.width(), 1), format);
    if (needed > memory_limit_) return false;

    out_ = QImage(out_size, out_format);
    if (out_.isNull()) return false;
    if (shrinking_) {
        band_ = QImage(kept_.width(), band_rows, format);
        if (band_.isNull()) return false;
        // Output rows per band: enough for at least kMinBandRows source rows.
        rows_per_band_out_ = int(std::clamp<int64_t>(
            (int64_t{kMinBandRows} * out_size.height() + kept_.height() - 1) / kept_.height(), 1,
            out_size.height()));
        band_first_out_ = 0;
        band_out_rows_ = std::min(rows_per_band_out_, out_size.height());
        band_first_row_ = 0;
        band_end_row_ = int(int64_t{band_out_rows_} * kept_.height() / out_size.height());
    }
    scratch_ = QImage(size.width(), 1, format);
    return !scratch_.isNull();
}

uchar* ShrinkingSink::row(int y) {
    if (failed_ || y < kept_.top() || y > kept_.bottom() || kept_.width() != source_size_.width()) return scratch_.scanLine(0);
    const int r = y - kept_.top();
    return shrinking_ ? band_.scanLine(r - band_first_row_) : out_.scanLine(r);
}

void ShrinkingSink::row_done(int y) {
    if (failed_ || y < kept_.top() || y > kept_.bottom()) return;
    const int r = y - kept_.top();
    if (kept_.width() != source_size_.width()) {
        uchar* dest = shrinking_ ? band_.scanLine(r - band_first_row_) : out_.scanLine(r);
        std::memcpy(dest, scratch_.constScanLine(0) + std::size_t(kept_.left()) * bytes_per_pixel_,
                    std::size_t(kept_.width()) * bytes_per_pixel_);
    }
    if (shrinking_ && r + 1 == band_end_row_) flush_band();
}

void ShrinkingSink::flush_band() {
    const int rows = band_end_row_ - band_first_row_;
    // The band's rows as an image of their own, sharing the band's memory.
    const QImage source(band_.constBits(), band_.width(), rows, band_.bytesPerLine(), format_);
    QImage shrunk = source.scaled(out_.width(), band_out_rows_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!shrunk.isNull() && shrunk.format() != out_.format()) shrunk.convertTo(out_.format());
    if (shrunk.isNull() || shrunk.format() != out_.format()) {
        // No memory: the picture is lost, as if it failed to decode; the
        // remaining rows go to the scratch row.
        failed_ = true;
        out_ = QImage();
        band_ = QImage();
        return;
    }
    for (int i = 0; i < band_out_rows_; ++i)
        std::memcpy(out_.scanLine(band_first_out_ + i), shrunk.constScanLine(i),
                    std::size_t(out_.bytesPerLine()));

    band_first_out_ += band_out_rows_;
    band_out_rows_ = std::min(rows_per_band_out_, out_.height() - band_first_out_);
    band_first_row_ = band_end_row_;
    band_end_row_ = int(int64_t{band_first_out_ + band_out_rows_} * kept_.height() / out_.height());
}

bool feed_rows(const QImage& image, RowSink& sink) {
    if (image.isNull() || !sink.start(image.size(), image.format())) return false;
    const std::size_t bytes = std::size_t(image.width()) * (image.depth() / 8);
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(sink.row(y), image.constScanLine(y), bytes);
        sink.row_done(y);
    }
    return true;
}

}  // namespace tervo::imagelib
