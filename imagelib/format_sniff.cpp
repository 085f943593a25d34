#include "imagelib/decoder.h"

#include <algorithm>
#include <cstring>

namespace tervo::imagelib {
namespace {

// An ISO base media file (AVIF, HEIF) by the brands of its leading ftyp
// box: the major brand, then the compatible ones.
std::optional<ImageFormat> iso_media_format(const unsigned char* head, std::size_t got) {
    const std::size_t box =
        std::size_t(head[0]) << 24 | std::size_t(head[1]) << 16 | std::size_t(head[2]) << 8 | head[3];
    const std::size_t end = std::min(box, got);
    std::optional<ImageFormat> found;
    for (std::size_t at = 8; at + 4 <= end; at += (at == 8 ? 8 : 4)) {
        const unsigned char* brand = head + at;
        if (std::memcmp(brand, "avif", 4) == 0 || std::memcmp(brand, "avis", 4) == 0) return ImageFormat::Avif;
        for (const char* heif : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"})
            if (std::memcmp(brand, heif, 4) == 0 && !found) found = ImageFormat::Heif;
    }
    return found;
}

}  // namespace

std::optional<ImageFormat> sniff_format(const FileInput& input) {
    unsigned char head[32] = {};
    const std::size_t got = input.read_at(0, head, sizeof head);
    if (got >= 8 && std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0) return ImageFormat::Png;
    if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return ImageFormat::Jpeg;
    if (got >= 6 && (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0))
        return ImageFormat::Gif;
    if (got >= 2 && head[0] == 'B' && head[1] == 'M') return ImageFormat::Bmp;
    if (got >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0)
        return ImageFormat::Webp;
    if (got >= 4 && (std::memcmp(head, "II*\0", 4) == 0 || std::memcmp(head, "MM\0*", 4) == 0 ||
                     std::memcmp(head, "II+\0", 4) == 0 || std::memcmp(head, "MM\0+", 4) == 0))
        return ImageFormat::Tiff;
    // A bare JPEG XL codestream, or one in its ISO box container.
    if (got >= 2 && head[0] == 0xFF && head[1] == 0x0A) return ImageFormat::Jxl;
    if (got >= 12 && std::memcmp(head, "\0\0\0\x0CJXL \r\n\x87\n", 12) == 0) return ImageFormat::Jxl;
    if (got >= 12 && std::memcmp(head + 4, "ftyp", 4) == 0) return iso_media_format(head, got);
    return std::nullopt;
}

}  // namespace tervo::imagelib
