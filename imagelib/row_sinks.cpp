#include "imagelib/row_sinks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <utility>

#include <QSysInfo>

namespace tervo::imagelib {
namespace {

// The format Qt's smooth scaling works in; converting each band to it in
// place spares scaled() a converted copy.
QImage::Format scaling_format(QImage::Format format) {
    return QImage::toPixelFormat(format).alphaUsage() == QPixelFormat::UsesAlpha
               ? QImage::Format_ARGB32_Premultiplied
               : QImage::Format_RGB32;
}

// Formats Qt's smooth scaling averages as they are. Any other is converted
// first, and unpremultiplied alpha would be averaged without weighting the
// colours by it (thin lines on a transparent ground fade away).
bool scales_as_is(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied ||
           (format == QImage::Format_RGBX8888 && QSysInfo::ByteOrder == QSysInfo::LittleEndian);
}

constexpr int kMaxEdgeShift = 64;

// A band ends where an output row begins so near a whole source row that
// the averaging window of the output rows round it is off by at most
// 1/kEdgePrecision of its length (each band is scaled on its own grid), if
// one does within kMaxBandSpan times kMinBandRows source rows. Of those the
// nearest is taken: 1/128 lets the common fit scales find an edge in every
// band, and taking the nearest keeps a dithered picture at fit (1000 rows
// to 989) near 48 dB from the whole-picture shrink.
constexpr int64_t kEdgePrecision = 128;
constexpr int kMaxBandSpan = 4;

// How many pixels of `kept` (out of `whole`) remain when the whole is to
// become `wanted`: in proportion, at least one, never more than kept.
int shrunk_length(int kept, int whole, int wanted) {
    if (wanted >= whole) return kept;
    if (kept == whole) return wanted;
    const int64_t length = std::llround(double(kept) * wanted / whole);
    return int(std::clamp<int64_t>(length, 1, kept));
}

// Moves a part's edge outwards (by -1 or +1 steps, within [0, whole]) to
// where it falls nearest a pixel edge of the picture at its wanted length,
// so a part is scaled on the same grid as the whole picture would be.
int aligned_edge(int edge, int step, int whole, int wanted) {
    int best = edge;
    int64_t best_distance = whole;
    for (int i = 0; i <= kMaxEdgeShift; ++i) {
        const int at = edge + i * step;
        if (at < 0 || at > whole) break;
        const int64_t rest = (int64_t{at} * wanted) % whole;
        const int64_t distance = std::min(rest, whole - rest);
        if (distance < best_distance) {
            best_distance = distance;
            best = at;
        }
        if (distance == 0) break;
    }
    return best;
}

// Where a band shrunk both ways that begins at output row `first` (source
// row `first_row`) ends: of the lengths from `least` output rows that fit
// `buffer_rows`, the one whose end lies nearest a whole source row,
// measured in 1/out of a row; the last
// row is a whole row too, and no band leaves a shorter one than `least`
// after it. With the distance of that end.
std::pair<int64_t, int64_t> band_end(int64_t first, int64_t first_row, int64_t in, int64_t out, int64_t least,
                                     int64_t buffer_rows) {
    if (first + 2 * least >= out) return {out, 0};  // the rest in one band
    const int64_t last = std::min((first_row + buffer_rows - 1) * out / in, out);
    int64_t best_end = first + least;
    int64_t best_distance = out;
    for (int64_t end = best_end; end <= last; ++end) {
        if (end < out && end > out - least) continue;
        const int64_t rest = (end * in) % out;
        const int64_t distance = std::min(rest, out - rest);
        if (distance < best_distance) {
            best_distance = distance;
            best_end = end;
        }
        if (distance == 0) break;
    }
    return {best_end, best_distance};
}

// Whether bands shrunk both ways find such ends all the way down.
bool bands_align(int64_t in, int64_t out, int64_t least, int64_t buffer_rows) {
    for (int64_t first = 0, first_row = 0; first < out;) {
        const auto [end, distance] = band_end(first, first_row, in, out, least, buffer_rows);
        if (distance * kEdgePrecision > in) return false;
        first = end;
        first_row = (end * in + out / 2) / out;
    }
    return true;
}

}  // namespace

bool WholeImageSink::start(QSize size, QImage::Format format) {
    image_ = QImage(size, format);
    return !image_.isNull();
}

ShrinkingSink::ShrinkingSink(QSize wanted, QRectF part, int64_t memory_limit, Threading threading)
    : wanted_(wanted), part_(part), memory_limit_(memory_limit), threading_(threading) {}

void ShrinkingSink::decoder_holds(int64_t bytes) {
    memory_limit_ = std::min(memory_limit_, kLoadMemoryLimit - std::clamp<int64_t>(bytes, 0, kLoadMemoryLimit));
}

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
    kept_ = QRect(QPoint(aligned_edge(kept_.left(), -1, size.width(), wanted_.width()),
                         aligned_edge(kept_.top(), -1, size.height(), wanted_.height())),
                  QPoint(aligned_edge(kept_.right() + 1, 1, size.width(), wanted_.width()) - 1,
                         aligned_edge(kept_.bottom() + 1, 1, size.height(), wanted_.height()) - 1));
    const QSize out_size(shrunk_length(kept_.width(), size.width(), wanted_.width()),
                         shrunk_length(kept_.height(), size.height(), wanted_.height()));
    shrinking_ = out_size != kept_.size();

    // Room for the longest band looked at, and for the last one: up to
    // twice the least output rows a band makes, each taking up to
    // ceil(H / h) source rows, plus rounding.
    const int64_t per_out_row = (int64_t{kept_.height()} + out_size.height() - 1) / out_size.height();
    int band_rows =
        shrinking_ ? int(std::min<int64_t>(kept_.height(), kMaxBandSpan * kMinBandRows + 2 * per_out_row + 4)) : 0;
    // Output rows per band: enough for at least kMinBandRows source rows.
    rows_per_band_out_ = int(std::clamp<int64_t>(
        (int64_t{kMinBandRows} * out_size.height() + kept_.height() - 1) / kept_.height(), 1, out_size.height()));
    const QImage::Format out_format = shrinking_ ? scaling_format(format) : format;
    const int64_t scratch_bytes = image_bytes(QSize(size.width(), 1), format);
    // Bands shrunk both ways where their edges can all fall near whole
    // source rows (the faster way); else shrunk across band by band into
    // every kept row, then down once, so that no band edge moves a row
    // (Qt shrinks down column by column, two to three times slower than
    // both ways at once). Where that picture does not fit beside the
    // result, bands shrink both ways all the same.
    const QSize across(out_size.width(), kept_.height());
    const int staged_band_rows = std::min(kept_.height(), 2 * kMinBandRows);
    staged_ = shrinking_ && out_size.height() < kept_.height() &&
              !bands_align(kept_.height(), out_size.height(), rows_per_band_out_, band_rows) &&
              image_bytes(out_size, out_format) + image_bytes(across, out_format) +
                      2 * image_bytes(QSize(kept_.width(), staged_band_rows), format) + scratch_bytes <=
                  memory_limit_;
    final_size_ = out_size;
    if (staged_) {
        band_rows = staged_band_rows;
        rows_per_band_out_ = staged_band_rows;
    }
    const int64_t band_bytes = image_bytes(QSize(kept_.width(), band_rows), format);
    const int64_t needed = image_bytes(out_size, out_format) + (staged_ ? image_bytes(across, out_format) : 0) +
                           band_bytes + scratch_bytes;
    if (needed > memory_limit_) return false;
    // A second band only where it fits beside the rest.
    const QSize held = staged_ ? across : out_size;
    const bool threaded =
        shrinking_ && wants_thread(held.height() / rows_per_band_out_) && needed + band_bytes <= memory_limit_;
    if (claim_ && !claim_(needed + (threaded ? band_bytes : 0), image_bytes(out_size, out_format))) return false;

    out_ = QImage(held, out_format);
    if (out_.isNull()) return false;
    out_bits_ = out_.bits();
    if (shrinking_) {
        for (int i = 0; i < (threaded ? 2 : 1); ++i) {
            bands_[i].pixels = QImage(kept_.width(), band_rows, format);
            if (bands_[i].pixels.isNull()) return false;
        }
        band_first_out_ = 0;
        band_first_row_ = 0;
        plan_band();
    }
    scratch_ = QImage(size.width(), 1, format);
    if (scratch_.isNull()) return false;
    if (threaded) {
        try {
            worker_ = std::make_unique<BandWorker>([this](int band) { return shrink_band(bands_[band]); });
        } catch (const std::exception&) {
            bands_[1] = Band();  // no memory for it: one after the other
        }
    }
    return true;
}

// Handing a band to the pool and back costs tens of microseconds, and the
// overlap saves at most the shrinking of all bands but the last: a few
// milliseconds below a megapixel, nothing with one or two bands.
bool ShrinkingSink::wants_thread(int bands) const {
    switch (threading_) {
    case Threading::Serial: return false;
    case Threading::Threaded: return true;
    case Threading::Automatic: break;
    }
    return bands >= 3 && int64_t{kept_.width()} * kept_.height() >= kThreadedPixels;
}

uchar* ShrinkingSink::row(int y) {
    if (failed_ || y < kept_.top() || y > kept_.bottom() || kept_.width() != source_size_.width()) return scratch_.scanLine(0);
    const int r = y - kept_.top();
    return shrinking_ ? bands_[filling_].pixels.scanLine(r - band_first_row_) : out_.scanLine(r);
}

void ShrinkingSink::row_done(int y) {
    if (failed_ || y < kept_.top() || y > kept_.bottom()) return;
    const int r = y - kept_.top();
    if (kept_.width() != source_size_.width()) {
        uchar* dest = shrinking_ ? bands_[filling_].pixels.scanLine(r - band_first_row_) : out_.scanLine(r);
        std::memcpy(dest, scratch_.constScanLine(0) + std::size_t(kept_.left()) * bytes_per_pixel_,
                    std::size_t(kept_.width()) * bytes_per_pixel_);
    }
    if (shrinking_ && r + 1 == band_end_row_) flush_band();
}

QImage& ShrinkingSink::image() {
    finish_thread();
    if (out_.size() != final_size_) out_ = QImage();  // rows missing
    return out_;
}

void ShrinkingSink::flush_band() {
    Band& band = bands_[filling_];
    band.rows = band_end_row_ - band_first_row_;
    band.first_out = band_first_out_;
    band.out_rows = band_out_rows_;
    if (worker_) {
        // The other buffer is free once the worker takes this one.
        if (!worker_->hand_over(filling_)) return fail();
        filling_ = 1 - filling_;
    } else if (!shrink_band(band)) {
        return fail();
    }

    band_first_out_ += band_out_rows_;
    band_first_row_ = band_end_row_;
    if (band_first_out_ < out_.height()) {
        plan_band();
        return;
    }
    finish_thread();
    if (staged_ && !failed_ && !shrink_down()) fail();
}

// Shrinks the picture across down to its final height, in strips of
// columns (independent when shrinking down) small enough for Qt to scale
// on this thread: it spreads a larger picture over the global pool and
// waits for it, and a sink never waits on the pool.
bool ShrinkingSink::shrink_down() {
    QImage down(final_size_, out_.format());
    if (down.isNull()) return false;
    const int strip = int(std::clamp<int64_t>(((int64_t{1} << 17) - 1) / out_.height(), 1, out_.width()));
    for (int x = 0; x < out_.width(); x += strip) {
        const int width = std::min(strip, out_.width() - x);
        const QImage columns(out_.constBits() + std::size_t(x) * 4, width, out_.height(), out_.bytesPerLine(),
                             out_.format());
        QImage shrunk = columns.scaled(width, down.height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (!shrunk.isNull() && shrunk.format() != down.format()) shrunk.convertTo(down.format());
        if (shrunk.isNull() || shrunk.format() != down.format()) return false;
        for (int y = 0; y < down.height(); ++y)
            std::memcpy(down.scanLine(y) + std::size_t(x) * 4, shrunk.constScanLine(y), std::size_t(width) * 4);
    }
    out_ = std::move(down);
    out_bits_ = out_.bits();
    return true;
}

// Runs on either thread; touches only the band and its own output rows.
bool ShrinkingSink::shrink_band(const Band& band) {
    // The band's rows as an image of their own, sharing the band's memory;
    // averaged premultiplied (a converted copy where they are not).
    QImage source(band.pixels.constBits(), band.pixels.width(), band.rows, band.pixels.bytesPerLine(), format_);
    if (!scales_as_is(format_)) {
        source = source.convertToFormat(scaling_format(format_));
        if (source.isNull()) return false;
    }
    QImage shrunk = source.scaled(out_.width(), band.out_rows, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage::Format out_format = scaling_format(format_);
    if (!shrunk.isNull() && shrunk.format() != out_format) shrunk.convertTo(out_format);
    if (shrunk.isNull() || shrunk.format() != out_format) return false;
    const std::size_t line = std::size_t(out_.bytesPerLine());
    for (int i = 0; i < band.out_rows; ++i)
        std::memcpy(out_bits_ + line * std::size_t(band.first_out + i), shrunk.constScanLine(i), line);
    return true;
}

// Waits for the last band and lets the worker go.
void ShrinkingSink::finish_thread() {
    if (!worker_) return;
    const bool ok = worker_->wait();
    worker_.reset();
    bands_[1] = Band();
    if (!ok) fail();
}

// No memory: the picture is lost, as if it failed to decode; the remaining
// rows go to the scratch row.
void ShrinkingSink::fail() {
    worker_.reset();
    failed_ = true;
    out_ = QImage();
    out_bits_ = nullptr;
    bands_[0] = Band();
    bands_[1] = Band();
}

void ShrinkingSink::plan_band() {
    if (staged_) {  // every row kept: any length will do
        band_out_rows_ = std::min(bands_[filling_].pixels.height(), kept_.height() - band_first_row_);
        band_end_row_ = band_first_row_ + band_out_rows_;
        return;
    }
    // Output row k begins at source row k * H / h. Qt's scaling of a band
    // spreads its rows evenly over its output rows, so a band must begin and
    // end where output rows do (see band_end()). Short of that, a thin line
    // at a band's edge would be averaged into the wrong output row.
    const int64_t in = kept_.height();
    const int64_t out = out_.height();
    const int64_t first = band_first_out_;
    const int64_t best_end =
        band_end(first, band_first_row_, in, out, rows_per_band_out_, bands_[filling_].pixels.height()).first;
    band_out_rows_ = int(best_end - first);
    band_end_row_ = int((best_end * in + out / 2) / out);
}

bool feed_rows(const QImage& image, RowSink& sink) {
    if (image.isNull() || !sink.start(image.size(), image.format())) return false;
    feed_band(image.constBits(), std::size_t(image.bytesPerLine()), std::size_t(image.width()) * (image.depth() / 8), 0,
              image.height(), sink);
    return true;
}

void feed_band(const uchar* first_row, std::size_t stride, std::size_t row_bytes, int first, int end, RowSink& sink) {
    for (int y = first; y < end; ++y, first_row += stride) {
        std::memcpy(sink.row(y), first_row, row_bytes);
        sink.row_done(y);
    }
}

}  // namespace tervo::imagelib
