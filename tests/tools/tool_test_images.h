// Images the tools' tests write and read back.
#pragma once

#include <QImage>
#include <QImageReader>
#include <QString>
#include <QSize>
#include <filesystem>

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

}  // namespace tervo::testing
