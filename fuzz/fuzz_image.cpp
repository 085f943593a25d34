// ToDIB and the paint chain on arbitrary file bytes: load, turn, convert,
// read the header, fit into a small window, draw, release. Nothing may crash,
// hang or allocate without bound.
#include <unistd.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "imagelib/imgctl.h"

namespace {

std::string scratch_path() {
    static const std::string path =
        "/tmp/tervo-fuzz-" + std::to_string(getpid()) + TERVO_FUZZ_EXTENSION;
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FILE* file = std::fopen(scratch_path().c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    const tervo::Image owner = tervo::Image::load(scratch_path().c_str());
    if (!owner) return 0;
    const tervo::ImageHandle image = owner.get();
    // Each step runs whatever the one before gave: a failure is an outcome
    // like any other here, and only a crash or a sanitizer report is a find.
    static_cast<void>(tervo::TurnDIB(image, 90 * static_cast<int>(size % 4)));
    static_cast<void>(tervo::DIBto24Bit(image));
    tervo::image_header header{};
    static_cast<void>(tervo::HeadDIB(image, &header));
    const int w = tervo::header_width(header), h = tervo::header_height(header);
    if (w > 0 && h > 0) {
        const double scale = std::min(1.0, std::min(160.0 / w, 120.0 / h));
        const int sw = static_cast<int>(w * scale), sh = static_cast<int>(h * scale);
        static_cast<void>(tervo::ResizeDIB(image, sw, sh));
        QImage canvas(160, 164, QImage::Format_RGB32);
        QPainter painter(&canvas);
        tervo::DIBtoDCex2(&painter, 0, 44, sw, sh, image, 0, 0, sw, sh, tervo::SRCCOPY, 1);
    }
    return 0;
}
