// The row sinks of the decoders: the whole picture, or the picture shrunk
// (and perhaps cut to a part) while it is decoded.
#pragma once

#include "imagelib/band_worker.h"
#include "imagelib/decoder.h"
#include "imagelib/memory_budget.h"

#include <QRectF>

#include <functional>
#include <memory>

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
// in bands and shrunk with Qt's smooth scaling (area averaging, on
// premultiplied pixels) to the whole picture's area average within
// rounding: each band of at least kMinBandRows both ways to the output rows
// it covers where every band edge can fall within 1/128 of an output row's
// window of a whole source row; else each band across only into every kept
// row, and that picture down once the last row is in (unless it would not
// fit the memory limit: then bands both ways at the nearest edges). Never enlarges: a direction that would grow is
// kept at its own size, for the caller to enlarge after turning.
//
// A large picture's bands are shrunk on a second thread while the decoder
// fills the next band (two band buffers, used in turn); the result is the
// same to the bit as shrinking them one after the other. The last band is
// waited for once its rows are done; a sink destroyed before leaves nothing
// running.
class ShrinkingSink : public RowSink {
public:
    static constexpr int kMinBandRows = 32;
    // Kept source pixels from which a second thread pays for itself.
    static constexpr int64_t kThreadedPixels = int64_t{1} << 20;

    enum class Threading {
        Automatic,  // a second thread for large pictures
        Serial,     // every band shrunk by the decoding thread
        Threaded,   // a second thread whenever the picture is shrunk
    };

    // `wanted` is the size the whole picture is to have; `part` the part to
    // keep, in fractions of the picture's size (rounded out to whole
    // pixels); `memory_limit` bounds the sink's own buffers together.
    explicit ShrinkingSink(QSize wanted, QRectF part = QRectF(0, 0, 1, 1),
                           int64_t memory_limit = kSinkMemoryLimit, Threading threading = Threading::Automatic);

    // Asked in start(), once the buffers are planned and before any is
    // made: `held` is what the sink will hold at most, `result` the shrunk
    // picture alone. Returning false fails the start.
    using Claim = std::function<bool(int64_t held, int64_t result)>;
    void claim_before_start(Claim claim) { claim_ = std::move(claim); }

    void decoder_holds(int64_t bytes) override;
    bool start(QSize size, QImage::Format format) override;
    uchar* row(int y) override;
    void row_done(int y) override;
    // Rows below the kept part are not wanted.
    bool wants_rows_after(int y) const override { return y < kept_.bottom(); }

    // The kept part, shrunk; complete once the last row is done, null when
    // it had no memory. Waits for a band still being shrunk.
    QImage& image();
    // The delivered picture's size and the part of it that image() shows.
    QSize source_size() const { return source_size_; }
    QRect kept() const { return kept_; }
    // Whether bands go to a second thread (until the last one is shrunk).
    bool threaded() const { return worker_ != nullptr; }

private:
    // Source rows gathered for a run of output rows.
    struct Band {
        QImage pixels;  // kept columns only
        int rows = 0;
        int first_out = 0;  // first output row
        int out_rows = 0;
    };

    bool wants_thread(int bands) const;
    void flush_band();
    bool shrink_down();
    bool shrink_band(const Band& band);
    void finish_thread();
    void fail();
    void plan_band();

    QSize wanted_;
    QRectF part_;
    int64_t memory_limit_;
    Threading threading_;
    Claim claim_;

    QSize source_size_;
    QRect kept_;  // in delivered pixels
    QImage::Format format_ = QImage::Format_Invalid;
    int bytes_per_pixel_ = 4;
    bool shrinking_ = false;  // else rows are copied straight to out_
    bool staged_ = false;     // out_ holds every kept row shrunk across, until shrunk down at the end
    QSize final_size_;
    bool failed_ = false;
    QImage out_;
    uchar* out_bits_ = nullptr;  // out_'s pixels, written by both threads (distinct rows)
    Band bands_[2];    // the one being gathered, and the one the worker may be shrinking
    int filling_ = 0;  // which
    QImage scratch_;   // one whole row, for rows or columns not kept
    int band_first_out_ = 0;  // first output row of the band
    int band_out_rows_ = 0;   // output rows the band makes
    int band_first_row_ = 0;  // its source rows, relative to kept_.top()
    int band_end_row_ = 0;
    int rows_per_band_out_ = 1;
    // Declared last, destroyed first: its job is finished before anything
    // it reads goes.
    std::unique_ptr<BandWorker> worker_;
};

// Hands an image to a sink as a decoder would, row by row; false when the
// sink refuses it.
bool feed_rows(const QImage& image, RowSink& sink);

// Hands the sink its rows `first` up to `end` from a decoded buffer in which
// row `first` starts at `first_row` and rows lie `stride` bytes apart.
void feed_band(const uchar* first_row, std::size_t stride, std::size_t row_bytes, int first, int end, RowSink& sink);

}  // namespace tervo::imagelib
