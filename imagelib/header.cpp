#include "imagelib/header.h"

#include <algorithm>
#include <cstring>

namespace tervo {
namespace {

template <typename T>
void put(image_header& header, int offset, T value) {
    // Little-endian on every platform this program runs on.
    std::memcpy(header.bytes + offset, &value, sizeof value);
}

int32_t get_i32(const image_header& header, int offset) {
    int32_t value;
    std::memcpy(&value, header.bytes + offset, sizeof value);
    return value;
}

}  // namespace

int32_t header_width(const image_header& header) { return get_i32(header, 4); }
int32_t header_height(const image_header& header) { return get_i32(header, 8); }

namespace imagelib {

image_header make_header(int32_t width, int32_t height, uint16_t bits_per_pixel) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    constexpr int32_t kPixelsPerMetreAt96Dpi = 3780;
    const uint64_t row_bytes = (uint64_t{uint32_t(width)} * bits_per_pixel + 31) / 32 * 4;
    image_header header{};
    put<uint32_t>(header, 0, sizeof header.bytes);
    put<int32_t>(header, 4, width);
    put<int32_t>(header, 8, height);
    put<uint16_t>(header, 12, 1);  // planes
    put<uint16_t>(header, 14, bits_per_pixel);
    put<uint32_t>(header, 16, 0);  // uncompressed
    put<uint32_t>(header, 20, uint32_t(std::min<uint64_t>(row_bytes * uint32_t(height), UINT32_MAX)));
    put<int32_t>(header, 24, kPixelsPerMetreAt96Dpi);
    put<int32_t>(header, 28, kPixelsPerMetreAt96Dpi);
    put<uint32_t>(header, 32, 0);  // colours used
    put<uint32_t>(header, 36, 0);  // colours important
    return header;
}

}  // namespace imagelib
}  // namespace tervo
