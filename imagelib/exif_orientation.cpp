#include "imagelib/exif_orientation.h"

#include "imagelib/orientation.h"

#include <cstdint>
#include <cstring>

namespace tervo::imagelib {
namespace {

unsigned read16(const unsigned char* p, bool little) {
    return little ? unsigned(p[0]) | unsigned(p[1]) << 8 : unsigned(p[0]) << 8 | unsigned(p[1]);
}

uint32_t read32(const unsigned char* p, bool little) {
    return little ? uint32_t(read16(p, true)) | uint32_t(read16(p + 2, true)) << 16
                  : uint32_t(read16(p, false)) << 16 | uint32_t(read16(p + 2, false));
}

// Mirroring top-bottom is mirroring left-right and a half turn.
Orientation normalised(Orientation o) {
    if (o.mirror_y) o = Orientation{!o.mirror_x, false, (o.turn + 180) % 360};
    return o;
}

}  // namespace

int orientation_of_exif_block(const unsigned char* block, std::size_t size) {
    // JPEG's APP1 header is "Exif\0" and a pad byte, which a few writers
    // fill with something else than a zero.
    if (size >= 6 && std::memcmp(block, "Exif\0", 5) == 0) {
        block += 6;
        size -= 6;
    }
    if (size < 8) return 1;
    bool little;
    if (block[0] == 'I' && block[1] == 'I')
        little = true;
    else if (block[0] == 'M' && block[1] == 'M')
        little = false;
    else
        return 1;
    if (read16(block + 2, little) != 42) return 1;
    const uint32_t ifd = read32(block + 4, little);
    if (ifd < 8 || ifd > size || size - ifd < 2) return 1;
    const unsigned entries = read16(block + ifd, little);
    for (unsigned i = 0; i < entries; ++i) {
        const std::size_t entry = std::size_t(ifd) + 2 + std::size_t(i) * 12;
        if (entry + 12 > size) break;
        if (read16(block + entry, little) != 0x0112) continue;
        const unsigned type = read16(block + entry + 2, little);
        uint32_t value = 0;
        if (read32(block + entry + 4, little) >= 1) {
            if (type == 3) value = read16(block + entry + 8, little);
            if (type == 4) value = read32(block + entry + 8, little);
        }
        return value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
}

int exif_tag_of(bool mirror_x, int turn_clockwise) {
    const Orientation wanted = normalised({mirror_x, false, ((turn_clockwise % 360) + 360) % 360});
    for (int tag = 1; tag <= 8; ++tag) {
        const Orientation o = normalised(Orientation::from_exif(tag));
        if (o.mirror_x == wanted.mirror_x && o.turn == wanted.turn) return tag;
    }
    return 1;
}

}  // namespace tervo::imagelib
