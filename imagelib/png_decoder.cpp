// PNG through libspng, read from the file as it is decoded. Every colour type
// and depth comes out as 8-bit RGBA (16-bit samples rounded; palette and
// tRNS applied; gamma left alone, as a viewer of sRGB pictures shows them).
#include "imagelib/decoder.h"
#include "imagelib/image_source.h"

#include <spng.h>

#include <algorithm>
#include <cstring>
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

bool decode_png(const FileInput& input, RowSink& sink) {
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
            if (row == nullptr) return false;
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

    // Adam7 delivers every row several times, a part of it per pass: the
    // picture is gathered whole, then handed over top to bottom. A picture
    // whose buffer would exceed the decoders' limit is refused. The buffer
    // is left uncleared, so a file that breaks off early costs only the
    // memory its rows reached; at the end the seven passes have written
    // every pixel once.
    if (int64_t(decoded_row_bytes) * height > kDecoderMemoryLimit) return false;
    // uint16_t storage serves both depths (and keeps 16-bit samples aligned).
    const std::size_t buffer_words = (decoded_row_bytes * std::size_t(height) + 1) / 2;
    const std::unique_ptr<uint16_t[]> buffer(new (std::nothrow) uint16_t[buffer_words]);
    if (!buffer) return false;
    auto* pixels = reinterpret_cast<uchar*>(buffer.get());
    for (;;) {
        spng_row_info info{};
        const int state = spng_get_row_info(ctx.get(), &info);
        if (state == SPNG_EOI) break;
        if (state != 0 || info.row_num >= ihdr.height) return false;
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
