// The row sinks of the decoders: the whole picture, or the picture shrunk
// (and perhaps cut to a part) while it is decoded.
#pragma once

#include "imagelib/decoder.h"
#include "imagelib/memory_budget.h"

#include <QRectF>

namespace tervo::imagelib {

// Keeps every row: the picture at the size the decoder delivers.
class WholeImageSink : public RowSink {
public:
    bool start(QSize size, QImage::Format format) override;
    uchar* row(int y) override { return image_.scanLine(y); }
    void row_done(int) override {}
    // The picture; null before start() or when it had no memory.
    QImage& image() { return image_; }

private:
    QImage image_;
};

// Keeps a part of the picture (all of it by default), shrunk while the rows
// arrive so that the full-size picture is never held: the rows are gathered
// in bands of at least kMinBandRows, and each band is shrunk to the output
// rows it covers with Qt's smooth scaling (area averaging) in both
// directions at once. Band edges fall on the source rows where output rows
// begin, so the result is within a fraction of a source row of averaging the
// whole picture at once. Never enlarges: a direction that would grow is
// kept at its own size, for the caller to enlarge after turning.
class ShrinkingSink : public RowSink {
public:
    static constexpr int kMinBandRows = 32;

    // `wanted` is the size the whole picture is to have; `part` the part to
    // keep, in fractions of the picture's size (rounded out to whole
    // pixels); `memory_limit` bounds the sink's own buffers together.
    explicit ShrinkingSink(QSize wanted, QRectF part = QRectF(0, 0, 1, 1),
                           int64_t memory_limit = kSinkMemoryLimit);

    bool start(QSize size, QImage::Format format) override;
    uchar* row(int y) override;
    void row_done(int y) override;
    // Rows below the kept part are not wanted.
    bool wants_rows_after(int y) const override { return y < kept_.bottom(); }

    // The kept part, shrunk; complete once the last row is done, null when
    // it had no memory.
    QImage& image() { return out_; }
    // The delivered picture's size and the part of it that image() shows.
    QSize source_size() const { return source_size_; }
    QRect kept() const { return kept_; }

private:
    void flush_band();
    void plan_band();

    QSize wanted_;
    QRectF part_;
    int64_t memory_limit_;

    QSize source_size_;
    QRect kept_;  // in delivered pixels
    QImage::Format format_ = QImage::Format_Invalid;
    int bytes_per_pixel_ = 4;
    bool shrinking_ = false;  // else rows are copied straight to out_
    bool failed_ = false;
    QImage out_;
    QImage band_;      // source rows of the band being gathered, kept columns only
    QImage scratch_;   // one whole row, for rows or columns not kept
    int band_first_out_ = 0;  // first output row of the band
    int band_out_rows_ = 0;   // output rows the band makes
    int band_first_row_ = 0;  // its source rows, relative to kept_.top()
    int band_end_row_ = 0;
    int rows_per_band_out_ = 1;
};

// Hands an image to a sink as a decoder would, row by row; false when the
// sink refuses it.
bool feed_rows(const QImage& image, RowSink& sink);

}  // namespace tervo::imagelib
