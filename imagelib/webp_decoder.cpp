// WebP through libwebp. A still picture is decoded incrementally, the file
// fed in blocks and the rows handed over as they come, and shrunk by
// libwebp's own scaler while it is decoded when a smaller size is wanted.
// An animation shows its first frame, composed on its canvas by
// libwebpdemux.
#include "imagelib/decoder.h"
#include "imagelib/exif_orientation.h"
#include "imagelib/image_source.h"
#include "imagelib/row_sinks.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace tervo::imagelib {
namespace {

constexpr std::size_t kBlock = std::size_t{64} << 10;
constexpr std::size_t kMaxHeaderBytes = std::size_t{1} << 20;
constexpr uint32_t kExifFlag = 0x08;

uint32_t le32(const unsigned char* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// The features libwebp reads from the first chunks; more of the file is
// read only while they are incomplete.
std::optional<WebPBitstreamFeatures> features_of(const FileInput& input) {
    std::vector<uint8_t> head;
    for (std::size_t want = 4096;; want *= 4) {
        head.resize(std::min<std::size_t>(want, kMaxHeaderBytes));
        head.resize(input.read_at(0, head.data(), head.size()));
        WebPBitstreamFeatures features{};
        const VP8StatusCode status = WebPGetFeatures(head.data(), head.size(), &features);
        if (status == VP8_STATUS_OK) return features;
        if (status != VP8_STATUS_NOT_ENOUGH_DATA || head.size() < want || want >= kMaxHeaderBytes) return std::nullopt;
    }
}

// The EXIF orientation of an extended file whose header says it carries
// EXIF: the RIFF chunks are walked from the file, the EXIF one read.
int exif_orientation_of(const FileInput& input) {
    unsigned char vp8x[8 + 10 + 12] = {};
    if (input.read_at(0, vp8x, sizeof vp8x) != sizeof vp8x || std::memcmp(vp8x + 12, "VP8X", 4) != 0 ||
        (vp8x[20] & kExifFlag) == 0)
        return 1;
    const int64_t end = std::min<int64_t>(input.size(), int64_t{le32(vp8x + 4)} + 8);
    for (int64_t at = 12; at + 8 <= end;) {
        unsigned char chunk[8];
        if (input.read_at(at, chunk, 8) != 8) break;
        const int64_t size = le32(chunk + 4);
        if (std::memcmp(chunk, "EXIF", 4) == 0) {
            std::vector<unsigned char> block(std::size_t(std::min<int64_t>(size, 65536)));
            block.resize(input.read_at(at + 8, block.data(), block.size()));
            return orientation_of_exif_block(block.data(), block.size());
        }
        at += 8 + size + (size & 1);
    }
    return 1;
}

bool decode_animation_first_frame(const FileInput& input, RowSink& sink) {
    // The demuxer wants the file whole; the canvas is held twice.
    if (input.size() > kDecoderMemoryLimit / 2) return false;
    std::vector<uint8_t> data(std::size_t(input.size()));
    if (input.read_at(0, data.data(), data.size()) != data.size()) return false;
    const WebPData webp{data.data(), data.size()};
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return false;
    options.color_mode = MODE_rgbA;
    options.use_threads = 0;
    std::unique_ptr<WebPAnimDecoder, decltype(&WebPAnimDecoderDelete)> decoder(WebPAnimDecoderNew(&webp, &options),
                                                                               WebPAnimDecoderDelete);
    WebPAnimInfo info{};
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info)) return false;
    const QSize size(int(info.canvas_width), int(info.canvas_height));
    if (!within_size_cap(size) ||
        int64_t(input.size()) + 2 * int64_t{size.width()} * size.height() * 4 > kDecoderMemoryLimit)
        return false;
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || canvas == nullptr) return false;
    if (!sink.start(size, QImage::Format_RGBA8888_Premultiplied)) return false;
    feed_band(canvas, std::size_t(size.width()) * 4, std::size_t(size.width()) * 4, 0, size.height(), sink);
    return true;
}

}  // namespace

std::optional<ImageInfo> read_webp_info(const FileInput& input) {
    const std::optional<WebPBitstreamFeatures> features = features_of(input);
    if (!features) return std::nullopt;
    ImageInfo info;
    info.format = ImageFormat::Webp;
    info.stored_size = QSize(features->width, features->height);
    if (!within_size_cap(info.stored_size)) return std::nullopt;
    info.exif_orientation = exif_orientation_of(input);
    return info;
}

bool decode_webp(const FileInput& input, QSize wanted, RowSink& sink) {
    const std::optional<WebPBitstreamFeatures> features = features_of(input);
    if (!features || !within_size_cap(QSize(features->width, features->height))) return false;
    if (features->has_animation) return decode_animation_first_frame(input, sink);

    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return false;
    // Premultiplied when there is alpha: that is what shrinking averages.
    const bool alpha = features->has_alpha != 0;
    config.output.colorspace = alpha ? MODE_rgbA : MODE_RGBA;
    QSize size(features->width, features->height);
    if (wanted.isValid() && !wanted.isEmpty() && wanted.boundedTo(size) != size) {
        size = wanted.boundedTo(size);
        config.options.use_scaling = 1;
        config.options.scaled_width = size.width();
        config.options.scaled_height = size.height();
    }
    // libwebp keeps the output whole and the bytes appended so far; a
    // lossless picture is also decoded whole at its own size, and an alpha
    // plane is kept whole beside a lossy one.
    const int64_t stored_pixels = int64_t{features->width} * features->height;
    const int64_t internal = features->format == 2 ? stored_pixels * 4 : alpha ? stored_pixels : 0;
    if (int64_t{size.width()} * size.height() * 4 + internal + input.size() > kDecoderMemoryLimit) return false;

    // The decoder writes into config.output, which it does not own; declared
    // first, the buffer goes after the decoder.
    struct OutputFree {
        void operator()(WebPDecBuffer* output) const { WebPFreeDecBuffer(output); }
    };
    const std::unique_ptr<WebPDecBuffer, OutputFree> output(&config.output);
    std::unique_ptr<WebPIDecoder, decltype(&WebPIDelete)> decoder(WebPIDecode(nullptr, 0, &config), WebPIDelete);
    if (!decoder) return false;
    if (!sink.start(size, alpha ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBX8888)) return false;
    std::vector<uint8_t> block(kBlock);
    int delivered = 0;
    for (int64_t offset = 0; delivered < size.height();) {
        const std::size_t got = input.read_at(offset, block.data(), block.size());
        if (got == 0) return false;  // the file ends before the picture does
        offset += int64_t(got);
        const VP8StatusCode status = WebPIAppend(decoder.get(), block.data(), got);
        if (status != VP8_STATUS_OK && status != VP8_STATUS_SUSPENDED) return false;
        int last_y = 0, width = 0, height = 0, stride = 0;
        const uint8_t* rgba = WebPIDecGetRGB(decoder.get(), &last_y, &width, &height, &stride);
        if (rgba != nullptr && width == size.width() && height == size.height() && last_y > delivered) {
            last_y = std::min(last_y, height);
            feed_band(rgba + std::size_t(stride) * std::size_t(delivered), std::size_t(stride), std::size_t(width) * 4,
                      delivered, last_y, sink);
            delivered = last_y;
            if (delivered < height && !sink.wants_rows_after(delivered - 1)) return true;
        }
        if (status == VP8_STATUS_OK && delivered < size.height()) return false;
    }
    return true;
}

}  // namespace tervo::imagelib
