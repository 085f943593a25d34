#include "imagelib/gif_encoder.h"

#include <gif_lib.h>

namespace tervo::imagelib {
namespace {

int write_to_device(GifFileType* gif, const GifByteType* bytes, int length) {
    auto* device = static_cast<QIODevice*>(gif->UserData);
    return device->write(reinterpret_cast<const char*>(bytes), length) == length ? length : 0;
}

// giflib wants colour tables of a power-of-two size, at least 2.
ColorMapObject* make_color_map(const std::vector<PaletteColor>& palette) {
    int size = 2;
    while (size < int(palette.size())) size *= 2;
    std::vector<GifColorType> colors(size_t(size), GifColorType{0, 0, 0});
    for (size_t i = 0; i < palette.size() && i < colors.size(); ++i)
        colors[i] = GifColorType{palette[i].red, palette[i].green, palette[i].blue};
    return GifMakeMapObject(size, colors.data());
}

// Row order of an interlaced GIF: every 8th row from 0, every 8th from 4,
// every 4th from 2, every 2nd from 1.
std::vector<int> row_order(int height, bool interlaced) {
    std::vector<int> rows;
    rows.reserve(size_t(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y) rows.push_back(y);
        return rows;
    }
    constexpr int kStart[] = {0, 4, 2, 1};
    constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
    return rows;
}

}  // namespace

GifEncoder::GifEncoder(QIODevice& device, int screen_width, int screen_height,
                       std::optional<GifAnimation> animation)
    : animation_(animation) {
    int error = 0;
    gif_ = EGifOpen(&device, write_to_device, &error);
    if (gif_ == nullptr) return;
    EGifSetGifVersion(gif_, animation_.has_value());
    ok_ = EGifPutScreenDesc(gif_, screen_width, screen_height, 8, 0, nullptr) == GIF_OK;
    if (ok_ && animation_) ok_ = put_loop_forever();
}

GifEncoder::~GifEncoder() {
    if (gif_ != nullptr) {
        int error = 0;
        EGifCloseFile(gif_, &error);
    }
}

bool GifEncoder::put_loop_forever() {
    // NETSCAPE2.0 application extension, sub-block 1 with loop count 0.
    static const char kApplication[] = "NETSCAPE2.0";
    static const unsigned char kLoopForever[] = {1, 0, 0};
    return EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif_, 11, kApplication) == GIF_OK &&
           EGifPutExtensionBlock(gif_, 3, kLoopForever) == GIF_OK && EGifPutExtensionTrailer(gif_) == GIF_OK;
}

bool GifEncoder::add(const IndexedImage& image, bool interlaced) {
    if (!ok_) return false;
    if (animation_) {
        GraphicsControlBlock control{};
        // Clearing to the background after each frame keeps a larger
        // frame from showing round a smaller one after it.
        control.DisposalMode = DISPOSE_BACKGROUND;
        control.UserInputFlag = false;
        control.DelayTime = animation_->delay;
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        if (EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, int(length), extension) != GIF_OK) return ok_ = false;
    }
    ColorMapObject* map = make_color_map(image.palette);
    if (map == nullptr) return ok_ = false;
    const bool described = EGifPutImageDesc(gif_, 0, 0, image.width, image.height, interlaced, map) == GIF_OK;
    GifFreeMapObject(map);
    if (!described) return ok_ = false;
    for (int y : row_order(image.height, interlaced)) {
        auto* row = const_cast<GifPixelType*>(image.indices.data() + size_t(y) * size_t(image.width));
        if (EGifPutLine(gif_, row, image.width) != GIF_OK) return ok_ = false;
    }
    return true;
}

bool GifEncoder::finish() {
    if (gif_ == nullptr) return false;
    int error = 0;
    const bool closed = EGifCloseFile(gif_, &error) == GIF_OK;
    gif_ = nullptr;
    return ok_ && closed;
}

}  // namespace tervo::imagelib
