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
};

}  // namespace

std::optional<IndexedImage> quantize(const QImage& image, int speed) {
    if (image.isNull()) return std::nullopt;
    const QImage rgba = flattened_to_rgb888(image).convertToFormat(QImage::Format_RGBX8888);
    if (rgba.isNull()) return std::nullopt;

    std::vector<void*> rows(size_t(rgba.height()));
    for (int y = 0; y < rgba.height(); ++y) rows[size_t(y)] = const_cast<uchar*>(rgba.constScanLine(y));

    std::unique_ptr<liq_attr, LiqDeleter> attr(liq_attr_create());
    if (!attr || liq_set_speed(attr.get(), speed) != LIQ_OK) return std::nullopt;
    std::unique_ptr<liq_image, LiqDeleter> input(
        liq_image_create_rgba_rows(attr.get(), rows.data(), rgba.width(), rgba.height(), 0));
    if (!input) return std::nullopt;
    liq_result* raw_result = nullptr;
    if (liq_image_quantize(input.get(), attr.get(), &raw_result) != LIQ_OK) return std::nullopt;
    std::unique_ptr<liq_result, LiqDeleter> result(raw_result);
    liq_set_dithering_level(result.get(), 1.0f);

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
