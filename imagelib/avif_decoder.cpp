// AVIF through libavif (dav1d inside): the primary image, read from the
// file as the parser asks for its boxes, turned into 8-bit RGBA in bands of
// rows so the whole picture is never held in RGB beside its YUV planes.
// Deeper samples are rounded to 8 bits; alpha comes premultiplied, as the
// shrinking averages it. Rotation and mirroring (irot, imir) become the
// picture's orientation; an EXIF block is left unread, as these two are
// what the format says is shown.
#include "imagelib/decoder.h"
#include "imagelib/exif_orientation.h"
#include "imagelib/image_source.h"
#include "imagelib/imgctl.h"
#include "imagelib/row_sinks.h"

#include <avif/avif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace tervo::imagelib {
namespace {

constexpr int kBandRows = 64;  // even, for subsampled chroma

// The file as libavif reads it: each read served from one buffer, valid
// until the next (not persistent).
struct FileIo {
    avifIO io;
    const FileInput* input;
    std::vector<uint8_t> buffer;
};

avifResult read_file(avifIO* io, uint32_t flags, uint64_t offset, size_t size, avifROData* out) {
    auto* file = reinterpret_cast<FileIo*>(io);
    const auto length = uint64_t(file->input->size());
    if (flags != 0 || offset > length) return AVIF_RESULT_IO_ERROR;
    size = std::size_t(std::min<uint64_t>(size, length - offset));
    // Boxes as long as the file claims are refused before any memory is taken.
    if (int64_t(size) > kDecoderMemoryLimit / 2) return AVIF_RESULT_IO_ERROR;
    try {
        file->buffer.resize(size);
    } catch (const std::bad_alloc&) {
        return AVIF_RESULT_OUT_OF_MEMORY;
    }
    out->data = file->buffer.data();
    out->size = file->input->read_at(int64_t(offset), file->buffer.data(), size);
    return AVIF_RESULT_OK;
}

void destroy_file(avifIO* io) { delete reinterpret_cast<FileIo*>(io); }

struct DecoderFree {
    void operator()(avifDecoder* decoder) const { avifDecoderDestroy(decoder); }
};
using Decoder = std::unique_ptr<avifDecoder, DecoderFree>;

// A decoder reading through `input`, limits set, the container parsed.
Decoder open_avif(const FileInput& input) {
    Decoder decoder(avifDecoderCreate());
    if (!decoder) return nullptr;
    decoder->imageSizeLimit = uint32_t(kMaxImagePixels);
    decoder->imageDimensionLimit = uint32_t(kMaxImageSide);
    decoder->ignoreExif = AVIF_TRUE;
    decoder->ignoreXMP = AVIF_TRUE;
    decoder->maxThreads = 2;
    auto* file = new (std::nothrow) FileIo{};
    if (file == nullptr) return nullptr;
    file->io.destroy = destroy_file;
    file->io.read = read_file;
    file->io.sizeHint = uint64_t(input.size());
    file->io.persistent = AVIF_FALSE;
    file->input = &input;
    avifDecoderSetIO(decoder.get(), &file->io);
    if (avifDecoderParse(decoder.get()) != AVIF_RESULT_OK) return nullptr;
    return decoder;
}

int orientation_of(const avifImage& image) {
    // irot turns anticlockwise and comes first, imir mirrors after it: the
    // same as mirroring first and turning as far clockwise.
    const int turn = (image.transformFlags & AVIF_TRANSFORM_IROT) ? image.irot.angle % 4 * 90 : 0;
    if ((image.transformFlags & AVIF_TRANSFORM_IMIR) == 0) return exif_tag_of(false, (360 - turn) % 360);
    // mode 0 swaps top and bottom: left-right and a half turn.
    return image.imir.mode == 0 ? exif_tag_of(true, turn + 180) : exif_tag_of(true, turn);
}

struct ImageFree {
    void operator()(avifImage* image) const { avifImageDestroy(image); }
};

}  // namespace

std::optional<ImageInfo> read_avif_info(const FileInput& input) {
    const Decoder decoder = open_avif(input);
    if (!decoder) return std::nullopt;
    ImageInfo info;
    info.format = ImageFormat::Avif;
    info.stored_size = QSize(int(decoder->image->width), int(decoder->image->height));
    if (!within_size_cap(info.stored_size)) return std::nullopt;
    info.exif_orientation = orientation_of(*decoder->image);
    return info;
}

bool decode_avif(const FileInput& input, RowSink& sink) {
    const Decoder decoder = open_avif(input);
    if (!decoder) return false;
    const avifImage& head = *decoder->image;
    const QSize size(int(head.width), int(head.height));
    // libavif holds the YUV planes (two bytes a sample when deep) and alpha.
    const int64_t plane_bytes = int64_t{size.width()} * size.height() * (head.depth > 8 ? 2 : 1);
    if (!within_size_cap(size) || plane_bytes * 4 > kDecoderMemoryLimit) return false;
    if (avifDecoderNextImage(decoder.get()) != AVIF_RESULT_OK) return false;
    const avifImage* image = decoder->image;
    if (int(image->width) != size.width() || int(image->height) != size.height()) return false;

    const bool alpha = image->alphaPlane != nullptr;
    if (!sink.start(size, alpha ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBX8888)) return false;
    std::unique_ptr<avifImage, ImageFree> view(avifImageCreateEmpty());
    std::vector<uint8_t> band;
    try {
        band.resize(std::size_t(size.width()) * 4 * kBandRows);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!view) return false;
    for (int top = 0; top < size.height(); top += kBandRows) {
        const int rows = std::min(kBandRows, size.height() - top);
        const avifCropRect rect{0, uint32_t(top), uint32_t(size.width()), uint32_t(rows)};
        if (avifImageSetViewRect(view.get(), image, &rect) != AVIF_RESULT_OK) return false;
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, view.get());
        rgb.format = AVIF_RGB_FORMAT_RGBA;
        rgb.depth = 8;
        rgb.alphaPremultiplied = alpha ? AVIF_TRUE : AVIF_FALSE;
        rgb.pixels = band.data();
        rgb.rowBytes = uint32_t(size.width()) * 4;
        if (avifImageYUVToRGB(view.get(), &rgb) != AVIF_RESULT_OK) return false;
        feed_band(band.data(), rgb.rowBytes, rgb.rowBytes, top, top + rows, sink);
        if (top + rows < size.height() && !sink.wants_rows_after(top + rows - 1)) return true;
    }
    return true;
}

}  // namespace tervo::imagelib
