// Reducing an image to a GIF's at most 256 colours with libimagequant.
#pragma once

#include <QImage>

#include <cstdint>
#include <optional>
#include <vector>

namespace tervo::imagelib {

struct PaletteColor {
    uint8_t red, green, blue;
};

// One image as palette indices, row after row without padding.
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> indices;
    std::vector<PaletteColor> palette;  // 1..256 entries
};

// libimagequant speeds run from 1 (best) to 10 (fastest); 4 is its default.
constexpr int kQuantizeSpeedStill = 4;
constexpr int kQuantizeSpeedAnimation = 10;

// Quantises with full dithering; transparency is composited over white
// first. Nothing for a null image or when libimagequant fails.
std::optional<IndexedImage> quantize(const QImage& image, int speed);

}  // namespace tervo::imagelib
