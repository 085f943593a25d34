// PNG through libspng, read from the file as it is decoded. Every colour type
// and depth comes out as 8-bit RGBA (16-bit samples rounded; palette and
// tRNS applied; gamma left alone, as a viewer of sRGB pictures shows them).
#include "imagelib/decoder.h"
#include "imagelib/image_source.h"
#include "imagelib/load_control.h"

#include <spng.h>

#include <algorithm>
#include <cstring>
#include <vector>
#include <memory>
#include <new>

namespace tervo::imagelib {
namespace {

// The chunks libspng is given (the critical ones and tRNS): no one chunk
// over this, and not more than the cache limit kept in all.
constexpr std::size_t kChunkSizeLimit = std::size_t{4} << 20;
constexpr std::size_t kChunkCacheLimit = std::size_t{16} << 20;
constexpr uint32_t kMaxSide = 32768;

struct ContextFree {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using Context = std::unique_ptr<spng_ctx, ContextFree>;

// The file as libspng reads it: without the ancillary chunks the viewer
// never uses (text, EXIF, ICC profiles, ...), which are skipped unread, so
// metadata of any size costs neither memory nor the chunk limits; only the
// critical chunks and tRNS reach libspng.
class ChunkFilter {
public:
    explicit ChunkFilter(FileCursor& cursor) : cursor_(cursor) {}

    bool read(unsigned char* dest, std::size_t length) {
        while (length > 0) {
            if (passing_ == 0 && !next_chunk()) return false;
            std::size_t n = std::min<std::size_t>(length, std::size_t(std::min<int64_t>(passing_, 1 << 30)));
            if (header_at_ < kHeaderBytes) {
                n = std::min<std::size_t>(n, std::size_t(kHeaderBytes - header_at_));
                std::memcpy(dest, header_ + header_at_, n);
                header_at_ += int(n);
            } else if (cursor_.read(dest, n) != n) {
                return false;
            }
            passing_ -= int64_t(n);
            dest += n;
            length -= n;
        }
        return true;
    }

private:
    static constexpr int kHeaderBytes = 8;  // a chunk's length and type

    // Past the signature, reads chunk headers until one to pass on.
    bool next_chunk() {
        if (!signature_done_) {
            signature_done_ = true;
            header_at_ = kHeaderBytes;
            passing_ = 8;
            return true;
        }
        for (;;) {
            if (cursor_.read(header_, kHeaderBytes) != std::size_t(kHeaderBytes)) return false;
            const int64_t data = (int64_t{header_[0]} << 24) | (header_[1] << 16) | (header_[2] << 8) | header_[3];
            const bool ancillary = (header_[4] & 0x20) != 0;
            if (!ancillary || std::memcmp(header_ + 4, "tRNS", 4) == 0) {
                header_at_ = 0;
                passing_ = kHeaderBytes + data + 4;  // with its CRC
                return true;
            }
            if (!cursor_.skip(data + 4)) return false;
        }
    }

    FileCursor& cursor_;
    bool signature_done_ = false;
    unsigned char header_[kHeaderBytes] = {};
    int header_at_ = kHeaderBytes;  // header bytes passed on so far
    int64_t passing_ = 0;           // bytes of the signature or chunk left to pass on
};

int read_stream(spng_ctx*, void* user, void* dest, std::size_t length) {
    auto* filter = static_cast<ChunkFilter*>(user);
    return filter->read(static_cast<unsigned char*>(dest), length) ? 0 : SPNG_IO_EOF;
}

// A context reading through `cursor` (the filtered file), limits set, header read; nothing when
// the signature or header is damaged.
Context open_png(ChunkFilter& cursor, spng_ihdr& ihdr) {
    // Every chunk's CRC already guards the compressed bytes; the Adler-32 of
    // the inflated ones would cost a tenth of decoding a large picture.
    Context ctx(spng_ctx_new(SPNG_CTX_IGNORE_ADLER32));
    if (!ctx) return nullptr;
    if (spng_set_png_stream(ctx.get(), read_stream, &cursor) != 0 ||
        spng_set_image_limits(ctx.get(), kMaxSide, kMaxSide) != 0 ||
        spng_set_chunk_limits(ctx.get(), kChunkSizeLimit, kChunkCacheLimit) != 0 ||
        // A damaged critical chunk means damaged pixels; a damaged text or
        // time chunk is merely dropped.
        spng_set_crc_action(ctx.get(), SPNG_CRC_ERROR, SPNG_CRC_DISCARD) != 0)
        return nullptr;
    if (spng_get_ihdr(ctx.get(), &ihdr) != 0) return nullptr;
    if (!within_size_cap(QSize(int(ihdr.width), int(ihdr.height)))) return nullptr;
    return ctx;
}

// After the last row: libspng verifies the checksum of the last image data
// chunk only when it reads on, so a damaged one is caught here. A file that
// merely ends early after complete pixels keeps them.
bool image_data_intact(spng_ctx* ctx) { return spng_decode_chunks(ctx) != SPNG_ECHUNK_CRC; }

// How the rows are delivered: RGBA when the picture can carry transparency,
// else RGBX (the same bytes, alpha always 255). RGBX is what Qt's smooth
// scaling works on directly; three-byte RGB decodes a little faster but is
// converted before every scaling, which made decode plus scale of a 12 MP
// picture about 30% slower.
QImage::Format row_format(spng_ctx* ctx, const spng_ihdr& ihdr) {
    spng_trns trns{};
    const bool alpha = ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
                       ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA || spng_get_trns(ctx, &trns) == 0;
    return alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888;
}

// 16-bit samples (host order, as libspng gives them) to 8 bits, rounded.
void round_to_8_bits(const uint16_t* in, uchar* out, std::size_t samples) {
    for (std::size_t i = 0; i < samples; ++i) out[i] = uchar((uint32_t(in[i]) * 255 + 32767) / 65535);
}

// Adam7: where each pass's pixels start and how far apart they lie.
constexpr int kPassX[7] = {0, 4, 0, 2, 0, 1, 0};
constexpr int kPassDx[7] = {8, 8, 4, 4, 2, 2, 1};

// Interlaced pictures of up to this many pixels are always gathered whole.
constexpr int64_t kWholeGatherPixels = int64_t{1} << 16;

// Sums of at most this many pixels a side fit 32 bits (255 * 255 each).
constexpr int kMaxBox = 256;

// The factor an interlaced picture is gathered reduced by: whole boxes of
// factor x factor pixels still cover `wanted`, and the pixels left over at
// the right and bottom edges move the shown edge by at most a quarter of
// one of its pixels. 1 when it is not shown smaller.
int reduction_for(int width, int height, QSize wanted) {
    if (!wanted.isValid() || wanted.isEmpty()) return 1;
    // Small pictures are gathered whole: that costs little, and on a few
    // pixels the left-over edge would visibly change the shrunk picture.
    if (int64_t{width} * height <= kWholeGatherPixels) return 1;
    int factor = std::min({width / wanted.width(), height / wanted.height(), kMaxBox});
    const auto close = [](int side, int f, int want) { return int64_t(side % f) * want * 4 <= side; };
    while (factor > 1 && !(close(width, factor, wanted.width()) && close(height, factor, wanted.height()))) --factor;
    return std::max(factor, 1);
}

// An interlaced picture gathered as the average of every factor x factor
// box (weighted by alpha, as the later shrinking is), pass by pass: each
// pixel is added to its box as its pass delivers it, so the picture is
// never held at full size.
class ReducedGather {
public:
    ReducedGather(int width, int height, int factor)
        : factor_(factor), width_(width / factor), height_(height / factor) {}

    bool allocate() {
        try {
            sums_.assign(std::size_t(width_) * std::size_t(height_) * 4, 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    static int64_t bytes(int width, int height, int factor) {
        return int64_t(width / factor) * (height / factor) * 4 * int64_t(sizeof(uint32_t));
    }
    QSize size() const { return QSize(width_, height_); }

    // The pass's pixels of source row y, 8-bit RGBA at their places in `row`.
    void add(int y, int pass, const uchar* row) {
        const int by = y / factor_;
        if (by >= height_) return;
        uint32_t* sums = sums_.data() + std::size_t(by) * std::size_t(width_) * 4;
        const int end = width_ * factor_;
        for (int x = kPassX[pass]; x < end; x += kPassDx[pass]) {
            const uchar* p = row + std::size_t(x) * 4;
            uint32_t* box = sums + std::size_t(x / factor_) * 4;
            const uint32_t a = p[3];
            box[0] += p[0] * a;
            box[1] += p[1] * a;
            box[2] += p[2] * a;
            box[3] += a * 255;
        }
    }

    void write_row(int y, uchar* out) const {
        const uint32_t* sums = sums_.data() + std::size_t(y) * std::size_t(width_) * 4;
        const uint32_t count = uint32_t(factor_) * uint32_t(factor_);
        for (int x = 0; x < width_; ++x, sums += 4, out += 4) {
            const uint32_t alpha = sums[3];
            for (int c = 0; c < 3; ++c) out[c] = alpha == 0 ? 0 : uchar((uint64_t(sums[c]) * 255 + alpha / 2) / alpha);
            out[3] = uchar((alpha / 255 + count / 2) / count);
        }
    }

private:
    int factor_;
    int width_;
    int height_;
    std::vector<uint32_t> sums_;
};

}  // namespace

std::optional<ImageInfo> read_png_info(const FileInput& input) {
    FileCursor cursor(input);
    ChunkFilter filter(cursor);
    spng_ihdr ihdr{};
    if (!open_png(filter, ihdr)) return std::nullopt;
    ImageInfo info;
    info.format = ImageFormat::Png;
    info.stored_size = QSize(int(ihdr.width), int(ihdr.height));
    return info;
}

namespace {

// The rows of an interlaced picture, each pass added to the boxes of a
// ReducedGather as it is decoded; the sink gets the reduced picture.
bool gather_reduced(spng_ctx* ctx, const spng_ihdr& ihdr, QImage::Format format, int factor, RowSink& sink) {
    const int width = int(ihdr.width);
    const int height = int(ihdr.height);
    const bool wide = ihdr.bit_depth == 16;
    const std::size_t samples = std::size_t(width) * 4;
    const std::size_t decoded_row_bytes = wide ? samples * 2 : samples;
    const MemoryClaim claim(ReducedGather::bytes(width, height, factor) + int64_t(decoded_row_bytes) +
                            int64_t(samples));
    if (!claim) return false;
    ReducedGather gather(width, height, factor);
    if (!gather.allocate()) return false;
    std::unique_ptr<uint16_t[]> decoded(new (std::nothrow) uint16_t[(decoded_row_bytes + 1) / 2]());
    std::unique_ptr<uchar[]> narrow(wide ? new (std::nothrow) uchar[samples] : nullptr);
    if (!decoded || (wide && !narrow)) return false;
    for (;;) {
        spng_row_info info{};
        const int state = spng_get_row_info(ctx, &info);
        if (state == SPNG_EOI) break;
        if (state != 0 || info.row_num >= ihdr.height || info.pass < 0 || info.pass > 6 || load_stopped()) return false;
        const int ret = spng_decode_row(ctx, decoded.get(), decoded_row_bytes);
        if (ret != 0 && ret != SPNG_EOI) return false;
        const uchar* row = reinterpret_cast<const uchar*>(decoded.get());
        if (wide) {
            round_to_8_bits(decoded.get(), narrow.get(), samples);
            row = narrow.get();
        }
        gather.add(int(info.row_num), info.pass, row);
        if (ret == SPNG_EOI) break;
    }
    if (!image_data_intact(ctx)) return false;
    if (!sink.start(gather.size(), format)) return false;
    for (int y = 0; y < gather.size().height(); ++y) {
        uchar* row = sink.row(y);
        if (row == nullptr) return false;
        gather.write_row(y, row);
        sink.row_done(y);
    }
    return true;
}

}  // namespace

bool decode_png(const FileInput& input, RowSink& sink) { return decode_png_for_size(input, QSize(), sink); }

bool decode_png_for_size(const FileInput& input, QSize wanted, RowSink& sink) {
    FileCursor cursor(input);
    ChunkFilter filter(cursor);
    spng_ihdr ihdr{};
    const Context ctx = open_png(filter, ihdr);
    if (!ctx) return false;
    // Reads the chunks up to the image data, so tRNS is known.
    const QImage::Format format = row_format(ctx.get(), ihdr);
    // libspng narrows 16-bit samples to their high byte; they are taken as
    // 16 bits and rounded here instead, so 0x00ff is 1, not 0.
    const bool wide = ihdr.bit_depth == 16;
    if (spng_decode_image(ctx.get(), nullptr, 0, wide ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8,
                          SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE) != 0)
        return false;

    const int width = int(ihdr.width);
    const int height = int(ihdr.height);
    const std::size_t samples = std::size_t(width) * 4;
    const std::size_t row_bytes = samples;  // in the sink: 8 bits a sample
    const std::size_t decoded_row_bytes = wide ? samples * 2 : samples;
    const QSize size(width, height);

    if (ihdr.interlace_method == SPNG_INTERLACE_NONE) {
        if (!sink.start(size, format)) return false;
        std::unique_ptr<uint16_t[]> wide_row(wide ? new (std::nothrow) uint16_t[samples] : nullptr);
        if (wide && !wide_row) return false;
        for (int y = 0; y < height; ++y) {
            uchar* row = sink.row(y);
            if (row == nullptr || load_stopped()) return false;
            void* target = wide ? static_cast<void*>(wide_row.get()) : row;
            const int ret = spng_decode_row(ctx.get(), target, decoded_row_bytes);
            // The last row may report the end of the image.
            if (ret != 0 && !(ret == SPNG_EOI && y == height - 1)) return false;
            if (wide) round_to_8_bits(wide_row.get(), row, samples);
            sink.row_done(y);
            // The rest is not checked: what was shown decoded whole.
            if (!sink.wants_rows_after(y)) return true;
        }
        return image_data_intact(ctx.get());
    }

    // Adam7 delivers every row several times, a part of it per pass. A
    // picture shown smaller than its size is gathered reduced, pass by pass;
    // otherwise it is gathered whole, then handed over top to bottom. A
    // picture whose buffer would exceed the decoders' limit is refused.
    const int factor = reduction_for(width, height, wanted);
    if (factor > 1) return gather_reduced(ctx.get(), ihdr, format, factor, sink);
    // The buffer is left uncleared, so a file that breaks off early costs
    // only the memory its rows reached; at the end the seven passes have
    // written every pixel once.
    if (int64_t(decoded_row_bytes) * height > kDecoderMemoryLimit) return false;
    const MemoryClaim claim(int64_t(decoded_row_bytes) * height);
    if (!claim) return false;
    // uint16_t storage serves both depths (and keeps 16-bit samples aligned).
    const std::size_t buffer_words = (decoded_row_bytes * std::size_t(height) + 1) / 2;
    const std::unique_ptr<uint16_t[]> buffer(new (std::nothrow) uint16_t[buffer_words]);
    if (!buffer) return false;
    auto* pixels = reinterpret_cast<uchar*>(buffer.get());
    for (;;) {
        spng_row_info info{};
        const int state = spng_get_row_info(ctx.get(), &info);
        if (state == SPNG_EOI) break;
        if (state != 0 || info.row_num >= ihdr.height || load_stopped()) return false;
        const int ret =
            spng_decode_row(ctx.get(), pixels + decoded_row_bytes * info.row_num, decoded_row_bytes);
        if (ret == SPNG_EOI) break;
        if (ret != 0) return false;
    }
    if (!image_data_intact(ctx.get())) return false;
    if (!sink.start(size, format)) return false;
    for (int y = 0; y < height; ++y) {
        uchar* row = sink.row(y);
        if (row == nullptr) return false;
        if (wide)
            round_to_8_bits(buffer.get() + samples * std::size_t(y), row, samples);
        else
            std::memcpy(row, pixels + row_bytes * std::size_t(y), row_bytes);
        sink.row_done(y);
    }
    return true;
}

}  // namespace tervo::imagelib
