// HEIF and HEIC through libheif (libde265 inside): the primary image with
// its rotation and mirroring applied by libheif, as 8-bit RGBA (deeper
// samples rounded). An EXIF orientation is left alone: the transformation
// properties are what the format says is shown.
#include "imagelib/decoder.h"
#include "imagelib/image_source.h"
#include "imagelib/imgctl.h"
#include "imagelib/row_sinks.h"

#include <libheif/heif.h>

#include <memory>

namespace tervo::imagelib {
namespace {

int64_t reader_position(void* user) { return static_cast<FileCursor*>(user)->position(); }

int reader_read(void* dest, size_t size, void* user) {
    return static_cast<FileCursor*>(user)->read(dest, size) == size ? 0 : -1;
}

int reader_seek(int64_t position, void* user) {
    auto* cursor = static_cast<FileCursor*>(user);
    if (position < 0 || position > cursor->input().size()) return -1;
    cursor->seek(position);
    return 0;
}

heif_reader_grow_status reader_wait(int64_t target, void* user) {
    return target <= static_cast<FileCursor*>(user)->input().size() ? heif_reader_grow_status_size_reached
                                                                    : heif_reader_grow_status_size_beyond_eof;
}

constexpr heif_reader kReader{1, reader_position, reader_read, reader_seek, reader_wait};

struct ContextFree {
    void operator()(heif_context* ctx) const { heif_context_free(ctx); }
};
struct HandleFree {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageFree {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

// The open file: the context reads through the cursor, so both live as
// long as the handle.
struct Primary {
    std::unique_ptr<FileCursor> cursor;
    std::unique_ptr<heif_context, ContextFree> context;
    std::unique_ptr<heif_image_handle, HandleFree> handle;
    QSize size;  // as shown
};

std::optional<Primary> open_heif(const FileInput& input) {
    Primary p;
    p.cursor = std::make_unique<FileCursor>(input);
    p.context.reset(heif_context_alloc());
    if (!p.context) return std::nullopt;
    heif_context_set_maximum_image_size_limit(p.context.get(), kMaxImageSide);
    if (heif_context_read_from_reader(p.context.get(), &kReader, p.cursor.get(), nullptr).code != heif_error_Ok)
        return std::nullopt;
    heif_image_handle* handle = nullptr;
    if (heif_context_get_primary_image_handle(p.context.get(), &handle).code != heif_error_Ok) return std::nullopt;
    p.handle.reset(handle);
    p.size = QSize(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
    if (!within_size_cap(p.size)) return std::nullopt;
    return p;
}

}  // namespace

std::optional<ImageInfo> read_heif_info(const FileInput& input) {
    const std::optional<Primary> primary = open_heif(input);
    if (!primary) return std::nullopt;
    ImageInfo info;
    info.format = ImageFormat::Heif;
    info.stored_size = primary->size;
    return info;
}

bool decode_heif(const FileInput& input, RowSink& sink) {
    const std::optional<Primary> primary = open_heif(input);
    if (!primary) return false;
    // libheif holds the decoded planes (4:2:0 or finer, two bytes a sample
    // when deep) and the RGBA picture made from them: about 8 bytes a pixel
    // for a deep 4:2:0 picture, so a 30 MP phone picture fits.
    const int64_t pixels = int64_t{primary->size.width()} * primary->size.height();
    if (pixels * 8 > kDecoderMemoryLimit) return false;
    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options) return false;
    options->convert_hdr_to_8bit = 1;
    heif_image* decoded = nullptr;
    if (heif_decode_image(primary->handle.get(), &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA,
                          options.get())
            .code != heif_error_Ok)
        return false;
    const std::unique_ptr<heif_image, ImageFree> image(decoded);
    int stride = 0;
    const uint8_t* rgba = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    const QSize size(heif_image_get_width(decoded, heif_channel_interleaved),
                     heif_image_get_height(decoded, heif_channel_interleaved));
    if (rgba == nullptr || size != primary->size) return false;
    QImage::Format format = QImage::Format_RGBX8888;
    if (heif_image_handle_has_alpha_channel(primary->handle.get()))
        format = heif_image_handle_is_premultiplied_alpha(primary->handle.get()) ? QImage::Format_RGBA8888_Premultiplied
                                                                                 : QImage::Format_RGBA8888;
    return feed_rows(QImage(rgba, size.width(), size.height(), stride, format), sink);
}

}  // namespace tervo::imagelib
