#include "imagelib/decoder.h"

#include <cstring>

namespace tervo::imagelib {

std::optional<ImageFormat> sniff_format(const FileInput& input) {
    unsigned char head[8] = {};
    const std::size_t got = input.read_at(0, head, sizeof head);
    if (got >= 8 && std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0) return ImageFormat::Png;
    if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return ImageFormat::Jpeg;
    if (got >= 6 && (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0))
        return ImageFormat::Gif;
    if (got >= 2 && head[0] == 'B' && head[1] == 'M') return ImageFormat::Bmp;
    return std::nullopt;
}

}  // namespace tervo::imagelib
