// TIFF through libtiff: the first page, in any photometric interpretation
// libtiff's RGBA interface knows (RGB, palette, grey, CMYK, YCbCr, CIE Lab,
// LogLuv...), any depth it narrows to 8 bits, tiled or in strips, read in
// bands of whole strips or tile rows. The orientation tag is reported like
// an EXIF one (the values are the same); libtiff's own partial handling of
// it is switched off so the rows come as stored.
#include "imagelib/decoder.h"
#include "imagelib/image_source.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace tervo::imagelib {
namespace {

// The raster of one band at most; a strip taller than that is read in parts.
constexpr int64_t kBandBytes = int64_t{64} << 20;
constexpr int kMinBandRows = 64;

tmsize_t file_read(thandle_t handle, void* dest, tmsize_t size) {
    return size < 0 ? -1 : tmsize_t(static_cast<FileCursor*>(handle)->read(dest, std::size_t(size)));
}

tmsize_t file_write(thandle_t, void*, tmsize_t) { return -1; }

toff_t file_seek(thandle_t handle, toff_t offset, int whence) {
    auto* cursor = static_cast<FileCursor*>(handle);
    int64_t base = 0;
    if (whence == SEEK_CUR) base = cursor->position();
    if (whence == SEEK_END) base = cursor->input().size();
    const int64_t target = base + int64_t(offset);
    if (target < 0) return toff_t(-1);
    cursor->seek(target);
    return toff_t(target);
}

int file_close(thandle_t) { return 0; }
toff_t file_size(thandle_t handle) { return toff_t(static_cast<FileCursor*>(handle)->input().size()); }
int no_map(thandle_t, void**, toff_t*) { return 0; }
void no_unmap(thandle_t, void*, toff_t) {}

// A damaged file is refused through the return values; libtiff's messages
// would only fill stderr.
int quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffClose {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};

struct Open {
    std::unique_ptr<FileCursor> cursor;
    std::unique_ptr<TIFF, TiffClose> tif;
};

Open open_tiff(const FileInput& input) {
    Open o;
    o.cursor = std::make_unique<FileCursor>(input);
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) return o;
    // No one buffer libtiff allocates may exceed half the decoders' share.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(kDecoderMemoryLimit / 2));
    TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
    // 'm': no memory mapping, every read goes through the cursor.
    o.tif.reset(TIFFClientOpenExt("tiff", "rm", o.cursor.get(), file_read, file_write, file_seek, file_close, file_size,
                                  no_map, no_unmap, options));
    TIFFOpenOptionsFree(options);
    return o;
}

QSize size_of(TIFF* tif) {
    uint32_t width = 0, height = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    if (width > uint32_t(kMaxImageSide) || height > uint32_t(kMaxImageSide)) return QSize();
    return QSize(int(width), int(height));
}

struct RgbaEnd {
    void operator()(TIFFRGBAImage* img) const { TIFFRGBAImageEnd(img); }
};

// Rows read at once: whole strips or tile rows, at least kMinBandRows,
// within kBandBytes when the picture allows.
int band_rows(TIFF* tif, int width, int height) {
    uint32_t unit = 0;
    if (TIFFIsTiled(tif))
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &unit);
    else
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &unit);
    const int64_t fitting = std::max<int64_t>(1, kBandBytes / (int64_t{width} * 4));
    int64_t rows = std::clamp<int64_t>(unit, 1, height);
    if (rows < kMinBandRows) rows *= (kMinBandRows + rows - 1) / rows;
    // Whole units when they fit; else a strip taller than the limit is read
    // in parts, each decoding the strip from its start, so the parts are
    // made as few as the limit allows.
    if (rows > fitting) rows = unit >= 1 && unit <= fitting ? fitting / unit * unit : fitting;
    return int(std::clamp<int64_t>(rows, 1, height));
}

}  // namespace

std::optional<ImageInfo> read_tiff_info(const FileInput& input) {
    const Open o = open_tiff(input);
    if (!o.tif) return std::nullopt;
    char message[1024];
    if (!TIFFRGBAImageOK(o.tif.get(), message)) return std::nullopt;
    ImageInfo info;
    info.format = ImageFormat::Tiff;
    info.stored_size = size_of(o.tif.get());
    if (!within_size_cap(info.stored_size)) return std::nullopt;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(o.tif.get(), TIFFTAG_ORIENTATION, &orientation);
    info.exif_orientation = orientation >= 1 && orientation <= 8 ? orientation : 1;
    return info;
}

bool decode_tiff(const FileInput& input, RowSink& sink) {
    const Open o = open_tiff(input);
    if (!o.tif) return false;
    const QSize size = size_of(o.tif.get());
    if (!within_size_cap(size)) return false;
    char message[1024];
    TIFFRGBAImage img{};
    if (!TIFFRGBAImageBegin(&img, o.tif.get(), 0, message)) return false;
    const std::unique_ptr<TIFFRGBAImage, RgbaEnd> end(&img);
    img.req_orientation = ORIENTATION_TOPLEFT;
    img.orientation = ORIENTATION_TOPLEFT;
    if (int(img.width) != size.width() || int(img.height) != size.height()) return false;

    const int band = band_rows(o.tif.get(), size.width(), size.height());
    std::unique_ptr<uint32_t[]> raster(new (std::nothrow) uint32_t[std::size_t(size.width()) * std::size_t(band)]);
    if (!raster) return false;
    // libtiff premultiplies unassociated alpha itself.
    const bool alpha = img.alpha != 0;
    if (!sink.start(size, alpha ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBX8888)) return false;
    for (int top = 0; top < size.height(); top += band) {
        const int rows = std::min(band, size.height() - top);
        img.row_offset = top;
        img.col_offset = 0;
        if (!TIFFRGBAImageGet(&img, raster.get(), uint32_t(size.width()), uint32_t(rows))) return false;
        for (int y = 0; y < rows; ++y) {
            // Each pixel is R, G, B, A from the low byte up.
            const uint32_t* from = raster.get() + std::size_t(size.width()) * std::size_t(y);
            uchar* row = sink.row(top + y);
            for (int x = 0; x < size.width(); ++x) {
                const uint32_t p = from[x];
                row[4 * x] = uchar(TIFFGetR(p));
                row[4 * x + 1] = uchar(TIFFGetG(p));
                row[4 * x + 2] = uchar(TIFFGetB(p));
                row[4 * x + 3] = uchar(TIFFGetA(p));
            }
            sink.row_done(top + y);
        }
        if (top + rows < size.height() && !sink.wants_rows_after(top + rows - 1)) return true;
    }
    return true;
}

}  // namespace tervo::imagelib
