// Pictures the tests write and read back.
#pragma once

#include <QImage>
#include <QImageReader>
#include <QString>
#include <QSize>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/made_files.h"

namespace tervo::testing {

// Writes a w x h picture (format from the file's extension); true on success.
inline bool write_test_image(const std::filesystem::path& path, int width, int height, QColor colour = Qt::blue) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(QString::fromStdString(path.string()));
}

// The size of the image in a file as the codecs read it; invalid when unreadable.
inline QSize image_size(const std::filesystem::path& path) {
    return QImageReader(QString::fromStdString(path.string())).size();
}

// A 16 x 16 RGB PNG whose header is sound (every chunk's CRC is right) but
// whose pixel data cannot be inflated: the zlib stream's first block has the
// reserved block type, which every inflater refuses.
inline bool write_damaged_png(const std::filesystem::path& path) {
    std::string ihdr = be32(16) + be32(16);
    ihdr += std::string{8, 2, 0, 0, 0};  // 8 bits, RGB, deflate, no filter, no interlace
    const std::string idat{'\x78', '\x01', '\x07', '\x00', '\x00', '\x00', '\x00', '\x00'};
    const std::string png =
        std::string("\x89PNG\r\n\x1a\n", 8) + png_chunk("IHDR", ihdr) + png_chunk("IDAT", idat) + png_chunk("IEND", "");
    std::ofstream out(path, std::ios::binary);
    out.write(png.data(), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(out);
}

}  // namespace tervo::testing
