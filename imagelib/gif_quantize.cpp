#include "imagelib/gif_quantize.h"

#include "imagelib/pixel_ops.h"

#include <libimagequant.h>

#include <memory>

namespace tervo::imagelib {
namespace {

struct LiqDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
    void operator()(liq_image* p) const { liq_image_destroy(p); }
    void operator()(liq_result* p) const { liq_result_destroy(p); }
    void operator()(liq_histogram* p) const { liq_histogram_destroy(p); }
};

constexpr int kFullSampleLimit = 256 * 256;

// A liq_image reading the pixels of `rgba` in place; `rgba` must outlive it.
liq_image* make_liq_image(const liq_attr* attr, const QImage& rgba) {
    // Four bytes a pixel are always whole words, so Qt's rows are unpadded.
    if (rgba.isNull() || rgba.bytesPerLine() != qsizetype(rgba.width()) * 4) return nullptr;
    return liq_image_create_rgba(attr, rgba.constBits(), rgba.width(), rgba.height(), 0);
}

}  // namespace

std::optional<IndexedImage> quantize(const QImage& image, int speed) {
    if (image.isNull()) return std::nullopt;
    const QImage rgba = flattened_opaque(image).convertToFormat(QImage::Format_RGBX8888);
    if (rgba.isNull()) return std::nullopt;

    std::unique_ptr<liq_attr, LiqDeleter> attr(liq_attr_create());
    if (!attr || liq_set_speed(attr.get(), speed) != LIQ_OK) return std::nullopt;
    // The palette is chosen from every second pixel each way of a large
    // image: a quarter of the work for practically the same colours. All
    // pixels are then mapped onto it.
    const bool large = rgba.width() >= 64 && rgba.height() >= 64 && rgba.width() * rgba.height() > kFullSampleLimit;
    const QImage sample = large
                              ? rgba.scaled(rgba.width() / 2, rgba.height() / 2)
                              : rgba;
    std::unique_ptr<liq_image, LiqDeleter> sample_input(make_liq_image(attr.get(), sample));
    std::unique_ptr<liq_histogram, LiqDeleter> histogram(liq_histogram_create(attr.get()));
    if (!sample_input || !histogram ||
        liq_histogram_add_image(histogram.get(), attr.get(), sample_input.get()) != LIQ_OK)
        return std::nullopt;
    liq_result* raw_result = nullptr;
    if (liq_histogram_quantize(histogram.get(), attr.get(), &raw_result) != LIQ_OK) return std::nullopt;
    std::unique_ptr<liq_result, LiqDeleter> result(raw_result);
    liq_set_dithering_level(result.get(), 1.0f);

    std::unique_ptr<liq_image, LiqDeleter> input(make_liq_image(attr.get(), rgba));
    if (!input) return std::nullopt;
    IndexedImage out;
    out.width = rgba.width();
    out.height = rgba.height();
    out.indices.resize(size_t(out.width) * size_t(out.height));
    if (liq_write_remapped_image(result.get(), input.get(), out.indices.data(), out.indices.size()) != LIQ_OK)
        return std::nullopt;
    // The palette is final only after remapping.
    const liq_palette* palette = liq_get_palette(result.get());
    if (palette == nullptr || palette->count == 0) return std::nullopt;
    for (unsigned i = 0; i < palette->count; ++i)
        out.palette.push_back({palette->entries[i].r, palette->entries[i].g, palette->entries[i].b});
    return out;
}

}  // namespace tervo::imagelib
