// Our own strict BMP reader. Every size, offset and length in the headers is
// checked with 64-bit arithmetic before anything is allocated, so a damaged
// or hostile file is refused or drawn harmlessly, never trusted.
#include "imagelib/decoder.h"
#include "imagelib/image_source.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace tervo::imagelib {
namespace {

constexpr int64_t kFileHeaderBytes = 14;

enum Compression : uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitfields = 3,
    kAlphaBitfields = 6,
};

uint16_t u16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t u32(const unsigned char* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
int32_t i32(const unsigned char* p) { return static_cast<int32_t>(u32(p)); }

// One colour channel of a 16- or 32-bit pixel: where it sits and how it
// widens (or narrows) to 8 bits.
class Channel {
public:
    Channel() = default;
    // `fallback` is the value when the mask is empty (255 for alpha).
    Channel(uint32_t mask, uint8_t fallback) : mask_(mask), fallback_(fallback) {
        if (mask_ == 0) return;
        while (((mask_ >> shift_) & 1u) == 0) ++shift_;
        const uint32_t field = mask_ >> shift_;
        while (bits_ < 32 && (field >> bits_) != 0) ++bits_;
        max_ = (bits_ >= 32) ? 0xFFFFFFFFu : ((uint32_t{1} << bits_) - 1);
        if (bits_ <= 8) {
            for (uint32_t v = 0; v <= max_; ++v) table_[v] = scale(v, max_);
        }
    }

    uint8_t operator()(uint32_t pixel) const {
        if (mask_ == 0) return fallback_;
        const uint32_t v = (pixel & mask_) >> shift_;
        return bits_ <= 8 ? table_[v] : scale(v, max_);
    }

    bool present() const { return mask_ != 0; }

private:
    // 255 * v / max, rounded: a field's maximum becomes 255 (a 5-bit 31 is
    // 255, not 248) and every value its nearest 8-bit level.
    static uint8_t scale(uint32_t v, uint32_t max) {
        return static_cast<uint8_t>((uint64_t{v} * 255 + max / 2) / max);
    }

    uint32_t mask_ = 0;
    uint8_t fallback_ = 0;
    int shift_ = 0;
    int bits_ = 0;
    uint32_t max_ = 0;
    std::array<uint8_t, 256> table_{};
};

// Everything the headers say, checked.
struct Layout {
    int width = 0;
    int height = 0;
    bool top_down = false;
    int bpp = 0;
    uint32_t compression = kRgb;
    int64_t pixel_offset = 0;
    int64_t stride = 0;     // bytes from one stored row to the next
    int64_t row_bytes = 0;  // bytes of pixels in one row, without padding
    std::array<uint32_t, 4> masks{};  // red, green, blue, alpha
    // Indices past the file's table stay opaque black.
    std::array<QRgb, 256> palette{};

    bool rle() const { return compression == kRle8 || compression == kRle4; }
    bool has_alpha() const { return bpp >= 16 && masks[3] != 0; }
};

bool allowed_header_size(uint32_t size) {
    switch (size) {
    case 12:   // OS/2 1.x BITMAPCOREHEADER
    case 40:   // BITMAPINFOHEADER
    case 52:   // BITMAPV2INFOHEADER
    case 56:   // BITMAPV3INFOHEADER
    case 64:   // OS/2 2.x BITMAPINFOHEADER2
    case 108:  // BITMAPV4HEADER
    case 124:  // BITMAPV5HEADER
        return true;
    default:
        return false;
    }
}

bool allowed_depth(int bpp, uint32_t compression) {
    switch (compression) {
    case kRgb:
        return bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
    case kRle8:
        return bpp == 8;
    case kRle4:
        return bpp == 4;
    case kBitfields:
    case kAlphaBitfields:
        return bpp == 16 || bpp == 32;
    default:
        return false;
    }
}

std::optional<Layout> read_layout(const FileInput& input) {
    unsigned char head[kFileHeaderBytes + 124 + 16] = {};
    const auto got = static_cast<int64_t>(input.read_at(0, head, sizeof head));
    if (got < kFileHeaderBytes + 4 || head[0] != 'B' || head[1] != 'M') return std::nullopt;
    const int64_t offset_bits = u32(head + 10);
    const uint32_t header_size = u32(head + 14);
    if (!allowed_header_size(header_size) || got < kFileHeaderBytes + header_size) return std::nullopt;
    const unsigned char* info = head + kFileHeaderBytes;

    Layout l;
    int64_t width = 0, height = 0;
    int planes = 0;
    int64_t colours_used = 0;
    int palette_entry = 4;
    if (header_size == 12) {
        width = u16(info + 4);
        height = u16(info + 6);
        planes = u16(info + 8);
        l.bpp = u16(info + 10);
        palette_entry = 3;
    } else {
        width = i32(info + 4);
        height = i32(info + 8);
        planes = u16(info + 12);
        l.bpp = u16(info + 14);
        l.compression = u32(info + 16);
        colours_used = u32(info + 32);
    }
    // OS/2 2.x numbers its compressions alike up to RLE4; its 3 and 4 are
    // Huffman and RLE24, which are refused.
    if (header_size == 64 && l.compression > kRle4) return std::nullopt;
    if (planes != 1 || !allowed_depth(l.bpp, l.compression)) return std::nullopt;
    // A negative height stores the rows top down; only uncompressed pictures
    // may do that.
    l.top_down = height < 0;
    if (l.top_down && l.rle()) return std::nullopt;
    height = height < 0 ? -height : height;
    if (width <= 0 || height <= 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return std::nullopt;
    if (!within_size_cap(QSize(static_cast<int>(width), static_cast<int>(height)))) return std::nullopt;
    l.width = static_cast<int>(width);
    l.height = static_cast<int>(height);

    // Channel masks: in the header from V2 on, else just after a 40-byte
    // header when the compression says so.
    int64_t palette_start = kFileHeaderBytes + header_size;
    if (l.compression == kBitfields || l.compression == kAlphaBitfields) {
        const int mask_count = l.compression == kAlphaBitfields ? 4 : 3;
        if (header_size == 40) {
            if (got < kFileHeaderBytes + 40 + 4 * mask_count) return std::nullopt;
            for (int i = 0; i < mask_count; ++i) l.masks[i] = u32(info + 40 + 4 * i);
            palette_start += 4 * mask_count;
        } else {
            for (int i = 0; i < 3; ++i) l.masks[i] = u32(info + 40 + 4 * i);
            if (header_size >= 56) l.masks[3] = u32(info + 52);
        }
        if (l.bpp == 16)
            for (uint32_t& m : l.masks) m &= 0xFFFFu;
    } else if (l.bpp == 16) {
        l.masks = {0x7C00u, 0x03E0u, 0x001Fu, 0};
    } else if (l.bpp == 32) {
        // The fourth byte of an uncompressed 32-bit pixel is not alpha.
        l.masks = {0xFF0000u, 0xFF00u, 0xFFu, 0};
    }

    // The pixels may not start inside the headers; a gap after the table is
    // allowed.
    if (offset_bits < palette_start || offset_bits >= input.size()) return std::nullopt;
    l.pixel_offset = offset_bits;

    if (l.bpp <= 8) {
        const int64_t full = int64_t{1} << l.bpp;
        int64_t count = (colours_used > 0) ? std::min(colours_used, full) : full;
        // The table cannot reach into the pixels (an OS/2 file says its
        // length only this way).
        count = std::min(count, (offset_bits - palette_start) / palette_entry);
        unsigned char table[256 * 4];
        const std::size_t table_got =
            input.read_at(palette_start, table, static_cast<std::size_t>(count * palette_entry));
        count = static_cast<int64_t>(table_got) / palette_entry;
        l.palette.fill(qRgb(0, 0, 0));
        for (int64_t i = 0; i < count; ++i) {
            const unsigned char* e = table + i * palette_entry;
            l.palette[static_cast<std::size_t>(i)] = qRgb(e[2], e[1], e[0]);
        }
    }

    l.row_bytes = (width * l.bpp + 7) / 8;
    l.stride = (width * l.bpp + 31) / 32 * 4;
    if (!l.rle()) {
        // Every row must be in the file (the last one's padding may be
        // missing).
        const int64_t needed = l.stride * (height - 1) + l.row_bytes;
        if (needed > input.size() - l.pixel_offset) return std::nullopt;
    }
    return l;
}

// Turns one stored row into 32-bit pixels.
class RowConverter {
public:
    explicit RowConverter(const Layout& l)
        : l_(l),
          red_(l.masks[0], 0),
          green_(l.masks[1], 0),
          blue_(l.masks[2], 0),
          alpha_(l.masks[3], 255) {}

    void convert(const unsigned char* in, QRgb* out) const {
        const int w = l_.width;
        switch (l_.bpp) {
        case 1:
        case 2:
        case 4: {
            const int bpp = l_.bpp;
            const int per_byte = 8 / bpp;
            const unsigned mask = (1u << bpp) - 1;
            for (int x = 0; x < w; ++x) {
                const int shift = 8 - bpp * (x % per_byte + 1);
                out[x] = l_.palette[(in[x / per_byte] >> shift) & mask];
            }
            break;
        }
        case 8:
            for (int x = 0; x < w; ++x) out[x] = l_.palette[in[x]];
            break;
        case 24:
            for (int x = 0; x < w; ++x, in += 3) out[x] = qRgb(in[2], in[1], in[0]);
            break;
        case 16:
            for (int x = 0; x < w; ++x, in += 2) out[x] = pixel(u16(in));
            break;
        case 32:
            if (!alpha_.present() && l_.masks[0] == 0xFF0000u && l_.masks[1] == 0xFF00u && l_.masks[2] == 0xFFu) {
                for (int x = 0; x < w; ++x, in += 4) out[x] = qRgb(in[2], in[1], in[0]);
            } else {
                for (int x = 0; x < w; ++x, in += 4) out[x] = pixel(u32(in));
            }
            break;
        default:
            break;
        }
    }

private:
    QRgb pixel(uint32_t v) const { return qRgba(red_(v), green_(v), blue_(v), alpha_(v)); }

    const Layout& l_;
    Channel red_, green_, blue_, alpha_;
};

bool decode_uncompressed(const FileInput& input, const Layout& l, RowSink& sink) {
    if (!sink.start(QSize(l.width, l.height), l.has_alpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32))
        return false;
    const RowConverter converter(l);
    // Rows are read a few at a time straight from their place in the file;
    // the picture is never held twice.
    const int64_t chunk_rows = std::max<int64_t>(1, (int64_t{256} << 10) / l.stride);
    std::vector<unsigned char> chunk(static_cast<std::size_t>(chunk_rows * l.stride));
    for (int y = 0; y < l.height;) {
        const int n = static_cast<int>(std::min<int64_t>(chunk_rows, l.height - y));
        // The stored rows of sink rows y .. y+n-1 lie together in the file.
        const int64_t first_stored = l.top_down ? y : l.height - y - n;
        const int64_t want = l.stride * (n - 1) + l.row_bytes;
        if (input.read_at(l.pixel_offset + first_stored * l.stride, chunk.data(), static_cast<std::size_t>(want)) <
            static_cast<std::size_t>(want))
            return false;  // the file shrank after its header was read
        for (int i = 0; i < n; ++i, ++y) {
            const int64_t stored = l.top_down ? i : n - 1 - i;
            converter.convert(chunk.data() + stored * l.stride, reinterpret_cast<QRgb*>(sink.row(y)));
            sink.row_done(y);
            if (!sink.wants_rows_after(y)) return true;
        }
    }
    return true;
}

// Sequential bytes of the compressed pixels, read in blocks.
class ByteReader {
public:
    ByteReader(const FileInput& input, int64_t offset) : input_(input), next_(offset) {}

    // False at the end of the file.
    bool get(unsigned char& byte) {
        if (pos_ == len_) {
            len_ = input_.read_at(next_, buf_.data(), buf_.size());
            next_ += static_cast<int64_t>(len_);
            pos_ = 0;
            if (len_ == 0) return false;
        }
        byte = buf_[pos_++];
        return true;
    }

private:
    const FileInput& input_;
    int64_t next_;
    std::array<unsigned char, 64 * 1024> buf_{};
    std::size_t pos_ = 0, len_ = 0;
};

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};
using Buffer = std::unique_ptr<unsigned char[], FreeDeleter>;

// The indices of a run-length encoded picture, with a note of which pixels
// the file actually set: runs, deltas and an early end may leave some out.
class IndexCanvas {
public:
    bool allocate(int width, int height) {
        width_ = width;
        height_ = height;
        const int64_t pixels = int64_t{width} * height;
        const int64_t bytes = pixels + (pixels + 7) / 8;
        if (bytes > kDecoderMemoryLimit) return false;
        // calloc: pages the file never writes are never touched.
        indices_.reset(static_cast<unsigned char*>(std::calloc(static_cast<std::size_t>(pixels), 1)));
        written_.reset(static_cast<unsigned char*>(std::calloc(static_cast<std::size_t>((pixels + 7) / 8), 1)));
        row_written_.assign(static_cast<std::size_t>(height), 0);
        return indices_ && written_;
    }

    // Row 0 is the bottom row, as stored. Pixels off the picture are dropped.
    void set(int64_t x, int64_t row, unsigned char index) {
        if (x < 0 || x >= width_ || row < 0 || row >= height_) return;
        const int64_t at = row * width_ + x;
        indices_[static_cast<std::size_t>(at)] = index;
        unsigned char& bits = written_[static_cast<std::size_t>(at / 8)];
        const unsigned char bit = static_cast<unsigned char>(1u << (at % 8));
        if (!(bits & bit)) {
            bits |= bit;
            ++written_count_;
            ++row_written_[static_cast<std::size_t>(row)];
        }
    }

    bool complete() const { return written_count_ == int64_t{width_} * height_; }
    // How many pixels of a stored row the file set.
    int row_written(int row) const { return row_written_[static_cast<std::size_t>(row)]; }
    unsigned char index(int64_t at) const { return indices_[static_cast<std::size_t>(at)]; }
    bool written(int64_t at) const {
        return (written_[static_cast<std::size_t>(at / 8)] >> (at % 8)) & 1u;
    }

private:
    int width_ = 0, height_ = 0;
    Buffer indices_, written_;
    int64_t written_count_ = 0;
    std::vector<int> row_written_;
};

// Runs the escapes and runs of RLE8 or RLE4 into the canvas. A file that ends
// early, or whose rows run past the picture, leaves the rest unwritten.
void run_rle(ByteReader& in, const Layout& l, IndexCanvas& canvas) {
    const bool four = l.compression == kRle4;
    const int64_t w = l.width, h = l.height;
    int64_t x = 0, row = 0;
    unsigned char count = 0, value = 0;
    while (row < h && in.get(count) && in.get(value)) {
        if (count > 0) {
            for (int i = 0; i < count && x < w; ++i, ++x)
                canvas.set(x, row, four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
            continue;
        }
        switch (value) {
        case 0:  // end of line
            x = 0;
            ++row;
            break;
        case 1:  // end of bitmap
            return;
        case 2: {  // delta: move right and up
            unsigned char dx = 0, dy = 0;
            if (!in.get(dx) || !in.get(dy)) return;
            x = std::min(x + dx, w);
            row += dy;
            break;
        }
        default: {  // absolute run of `value` pixels, padded to 16 bits
            const int pixels = value;
            const int bytes = four ? (pixels + 1) / 2 : pixels;
            unsigned char b = 0;
            for (int i = 0; i < bytes; ++i) {
                if (!in.get(b)) return;
                if (four) {
                    canvas.set(x++, row, b >> 4);
                    if (2 * i + 1 < pixels) canvas.set(x++, row, b & 0x0F);
                } else {
                    canvas.set(x++, row, b);
                }
            }
            x = std::min(x, w);
            if (bytes & 1) in.get(b);
            break;
        }
        }
    }
}

bool decode_rle(const FileInput& input, const Layout& l, RowSink& sink) {
    IndexCanvas canvas;
    if (!canvas.allocate(l.width, l.height)) return false;
    auto reader = std::make_unique<ByteReader>(input, l.pixel_offset);
    run_rle(*reader, l, canvas);
    reader.reset();

    // Pixels the file never set show nothing: transparent.
    const bool complete = canvas.complete();
    if (!sink.start(QSize(l.width, l.height), complete ? QImage::Format_RGB32 : QImage::Format_ARGB32)) return false;
    for (int y = 0; y < l.height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(sink.row(y));
        const int stored = l.height - 1 - y;
        const int64_t base = int64_t{stored} * l.width;
        const int set = canvas.row_written(stored);
        // Rows left out entirely are common (a delta past them, an early
        // end): they need no look at each pixel.
        if (set == 0) {
            std::memset(out, 0, static_cast<std::size_t>(l.width) * sizeof(QRgb));  // transparent
        } else if (set == l.width) {
            for (int x = 0; x < l.width; ++x) out[x] = l.palette[canvas.index(base + x)];
        } else {
            for (int x = 0; x < l.width; ++x) {
                const int64_t at = base + x;
                out[x] = canvas.written(at) ? l.palette[canvas.index(at)] : qRgba(0, 0, 0, 0);
            }
        }
        sink.row_done(y);
    }
    return true;
}

}  // namespace

std::optional<ImageInfo> read_bmp_info(const FileInput& input) {
    const std::optional<Layout> layout = read_layout(input);
    if (!layout) return std::nullopt;
    ImageInfo info;
    info.format = ImageFormat::Bmp;
    info.stored_size = QSize(layout->width, layout->height);
    return info;
}

bool decode_bmp(const FileInput& input, RowSink& sink) {
    const std::optional<Layout> layout = read_layout(input);
    if (!layout) return false;
    return layout->rle() ? decode_rle(input, *layout, sink) : decode_uncompressed(input, *layout, sink);
}

}  // namespace tervo::imagelib
