// Orientation as JPEG and the newer formats carry it, put into the EXIF tag's terms
// the rest of the library works in.
#pragma once

#include <cstddef>

namespace tervo::imagelib {

// The Orientation tag (0x0112) of the first IFD of a TIFF-structured EXIF
// block, with or without the "Exif\0" and pad byte that precede it in JPEG
// and some other files; 1
// when it is absent, damaged or out of range.
int orientation_of_exif_block(const unsigned char* block, std::size_t size);

// The EXIF tag of "mirror left-right (or not), then turn clockwise".
int exif_tag_of(bool mirror_x, int turn_clockwise);

}  // namespace tervo::imagelib
