// DIBtoBMP and DIBtoPNG: Qt's own encoders behind an atomic write.
#include "imagelib/atomic_file.h"
#include "imagelib/image_record.h"
#include "imagelib/image_source.h"
#include "imagelib/imgctl.h"
#include "imagelib/pixel_ops.h"

#include <QImageWriter>


namespace tervo {

using namespace imagelib;

namespace {

// The record's pixels, or a null image when it has none.
QImage pixels_of(ImageHandle image) {
    RecordPtr record = find_record(image);
    return record ? output_pixels(*record) : QImage();
}

QImage rgb_pixels(ImageHandle image) { return flattened_opaque(pixels_of(image)); }

int write_with_qt(const char* path, const QImage& pixels, const char* format,
                  const std::function<void(QImageWriter&)>& configure) {
    if (pixels.isNull()) return 0;
    return write_atomically(path, [&](QIODevice& device) {
               QImageWriter writer(&device, format);
               configure(writer);
               return writer.write(pixels);
           })
               ? 1
               : 0;
}

}  // namespace

int DIBtoBMP(const char* path, ImageHandle image) {
    // Packed three bytes a pixel so Qt writes a 24-bit file.
    return write_with_qt(path, rgb_pixels(image).convertToFormat(QImage::Format_RGB888), "bmp",
                         [](QImageWriter&) {});
}

int DIBtoPNG(const char* path, ImageHandle image, int usage_switch) {
    // PNG keeps transparency when the image still has it.
    return write_with_qt(path, pixels_of(image), "png", [&](QImageWriter& writer) {
        // Qt maps quality 0 to zlib's strongest compression; -1 is its default.
        if (usage_switch == 1) writer.setQuality(0);
    });
}

}  // namespace tervo
