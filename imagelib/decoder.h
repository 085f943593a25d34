// The decoders: each reads one format from a FileInput and hands its pixels
// over row by row, top to bottom, to a RowSink, which decides where they go
// (a whole picture, or one shrunk while it is decoded).
#pragma once

#include "imagelib/file_input.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <optional>

namespace tervo::imagelib {

enum class ImageFormat { Bmp, Jpeg, Png, Gif, Webp, Avif, Heif, Tiff, Jxl };

// What a file's header tells: enough to report the size and to plan the
// decode. Nothing is decoded to learn it.
struct ImageInfo {
    ImageFormat format = ImageFormat::Bmp;
    QSize stored_size;  // as stored (a GIF's logical screen), before EXIF
    // 1..8 as in EXIF: the EXIF tag of a JPEG or WebP, the orientation tag
    // of a TIFF, the rotation and mirroring an AVIF or JPEG XL carries; 1
    // for the rest (a HEIF is delivered already turned).
    int exif_orientation = 1;
};

// Where decoded rows go. A decoder calls start() once with the size and the
// QImage format of the rows it will deliver, then for every y from 0 to
// height-1 in order writes one row into row(y) and calls row_done(y).
// Each row holds width pixels in that format (bytes_per_line of the format).
class RowSink {
public:
    virtual ~RowSink() = default;
    // False refuses the picture (no memory for it): the decoder stops and
    // fails.
    virtual bool start(QSize size, QImage::Format format) = 0;
    virtual uchar* row(int y) = 0;
    virtual void row_done(int y) = 0;
    // The bytes of the load's budget the decoder holds beside the sink's
    // buffers, told before start() when more than kDecoderMemoryLimit; a
    // sink keeps its own within the rest of the budget.
    virtual void decoder_holds(int64_t bytes) { (void)bytes; }
    // Whether any row below y is still wanted. A decoder may stop, and
    // succeed, once it is not: a sink keeping only the top of a picture need
    // not wait for the rest to be decoded.
    virtual bool wants_rows_after(int y) const {
        (void)y;
        return true;
    }
};

// Every decoder's limit on its own buffers, the sink's not counted: a load
// as a whole stays within the cap's 512 MiB.
constexpr int64_t kDecoderMemoryLimit = int64_t{256} << 20;

// The format by the file's first bytes; nothing for any other content.
std::optional<ImageFormat> sniff_format(const FileInput& input);

// Header readers: nothing when the header is damaged, or the size is zero or
// over the cap of imgctl.h (a GIF's logical screen counts).
std::optional<ImageInfo> read_bmp_info(const FileInput& input);
std::optional<ImageInfo> read_png_info(const FileInput& input);
std::optional<ImageInfo> read_gif_info(const FileInput& input);
std::optional<ImageInfo> read_jpeg_info(const FileInput& input);
std::optional<ImageInfo> read_webp_info(const FileInput& input);
std::optional<ImageInfo> read_avif_info(const FileInput& input);
std::optional<ImageInfo> read_heif_info(const FileInput& input);
std::optional<ImageInfo> read_tiff_info(const FileInput& input);
std::optional<ImageInfo> read_jxl_info(const FileInput& input);

// Decoders: false when the pixels cannot be decoded (the sink may then hold
// part of them; callers drop them). Rows are delivered at stored_size, in
// the stored orientation, except for JPEG.
bool decode_bmp(const FileInput& input, RowSink& sink);
bool decode_png(const FileInput& input, RowSink& sink);
// The same, for a picture to be shown at `wanted` (as stored): an
// interlaced one shown smaller is delivered reduced by a whole factor that
// still covers it, and never held whole.
bool decode_png_for_size(const FileInput& input, QSize wanted, RowSink& sink);
bool decode_gif(const FileInput& input, RowSink& sink);
// A JPEG is decoded at the smallest DCT scale (1/8, 1/4, 1/2, 1) whose
// whole blocks still cover `wanted` (in the stored orientation) in both
// directions; at a reduced scale the pixels of partial edge blocks are left
// out, so the rows are floor(side * scale) long. Small pictures and an
// invalid `wanted` decode at full size. EXIF orientation is not applied.
bool decode_jpeg(const FileInput& input, QSize wanted, RowSink& sink);
// A still WebP is scaled by libwebp while it is decoded when `wanted` (in
// the stored orientation) is smaller; the rows are then `wanted` long, as
// many as `wanted` is high. An animated one gives its first frame at full
// size.
bool decode_webp(const FileInput& input, QSize wanted, RowSink& sink);
// The primary image of an AVIF or HEIF file and the first page or frame of
// a TIFF or JPEG XL, at stored size. A HEIF's rows come turned and
// mirrored as the file says (its stored_size is the turned one); the
// others leave that to exif_orientation.
bool decode_avif(const FileInput& input, RowSink& sink);
bool decode_heif(const FileInput& input, RowSink& sink);
bool decode_tiff(const FileInput& input, RowSink& sink);
bool decode_jxl(const FileInput& input, RowSink& sink);

}  // namespace tervo::imagelib
