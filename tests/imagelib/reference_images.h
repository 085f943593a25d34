// Readers for the reference pixels that image suites ship beside their test
// files, a second decoder (ImageMagick) for files without one, and the
// measures the corpus test compares with.
#pragma once

#include <QImage>

#include <filesystem>
#include <string>
#include <vector>

namespace tervo::testing {

// A JSON array of RGBA samples, row by row, of an image of `size`; samples
// of 16 bits are rounded to 8. Null when the count does not match.
QImage read_sample_array_json(const std::filesystem::path& path, QSize size, bool sixteen_bits);

// A binary netpbm image (P5 grey, P6 RGB, or P7 PAM of 1 to 4 channels with
// a maximum of 255 or 65535). Null when it is not one.
QImage read_netpbm(const std::string& bytes);

// Packed 8-bit RGB rows without a header. Null when the length is not
// width × height × 3.
QImage read_raw_rgb(const std::filesystem::path& path, QSize size);

// giflib's text colour map: one "index r g b" line per entry.
std::vector<QRgb> read_gif_colour_map(const std::filesystem::path& path);

// The logical screen size stated in giflib's text dump; invalid when absent.
QSize read_gif_dump_screen(const std::filesystem::path& path);

// The ImageMagick program used as the second decoder.
const char* second_decoder_program();

// The first picture of the file decoded by ImageMagick: a GIF's first frame
// placed on its logical screen (transparent elsewhere), a JPEG turned
// upright by its EXIF orientation. Null with `error` set when it fails.
QImage decode_with_second_decoder(const std::filesystem::path& path, std::string* error);

// The image composited over white and held as opaque RGB32, rounding as
// 8-bit blending does: (c·a + 255·(255 − a)) / 255 to the nearest.
QImage flattened_over_white(const QImage& image);

// The shrunk reference for a fitted picture: RGB32 area-averaged by Qt.
QImage shrunk_reference(const QImage& flattened, QSize size);

struct PixelDifference {
    int max = 0;        // largest channel difference
    double mean = 0;    // mean absolute channel difference
    double psnr = 0;    // in dB, infinity for equal images
    bool sizes_match = false;
};

// Red, green and blue of two opaque images compared.
PixelDifference compare_rgb(const QImage& a, const QImage& b);

// Bit depth of a PNG from its header (0 when unreadable).
int png_bit_depth(const std::filesystem::path& path);

}  // namespace tervo::testing
