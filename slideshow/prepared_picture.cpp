#include "slideshow/prepared_picture.h"

#include <QPaintDevice>
#include <QPainter>

#include <chrono>

#include "core/byte_string.h"
#include "imagelib/imgctl.h"
#include "slideshow/paint.h"

namespace tervo {
namespace {

// A file modified this shortly before it was read may be rewritten within
// the same tick of the file system's clock (two seconds on FAT), keeping
// its size and modification time: its identity would not show the change.
constexpr auto kSettledAge = std::chrono::seconds(3);

bool settled(const FileIdentity& identity, std::chrono::system_clock::time_point read_from) {
    const auto modified = std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
        std::chrono::seconds(identity.modified_seconds) + std::chrono::nanoseconds(identity.modified_nanoseconds)));
    return modified + kSettledAge <= read_from;
}

}  // namespace

PictureKey picture_key(const AppState& app, ClientSize client, int32_t index, bool scale_fixed) {
    PictureKey key;
    const auto& name = app.files.file_names[static_cast<std::size_t>(index)];
    key.path = join_path(text_of(app.settings.folder), text_of(name));
    key.rotation = app.view.rotation;
    const int32_t psize = app.settings.psize;
    key.scale_from_mode = !scale_fixed && psize >= 0 && psize <= 7;
    if (key.scale_from_mode)
        key.psize = psize;
    else
        key.scale = app.view.scale;
    key.client_width = client.width;
    key.client_height = client.height;
    return key;
}

PreparedPicture prepare_picture(const PictureKey& key) {
    PreparedPicture picture;
    picture.key = key;
    const auto read_from = std::chrono::system_clock::now();
    const Image image = Image::load(key.path.c_str());
    if (!image) return picture;
    picture.identity = image_file_identity(image.get());
    if (picture.identity && !settled(*picture.identity, read_from)) picture.identity.reset();
    if (!picture.identity) return picture;

    // The same steps as the paint's, stopping where the paint would stop.
    if (key.rotation != 0 && TurnDIB(image.get(), key.rotation * 90) == 0) return picture;
    if (DIBto24Bit(image.get()) == 0) return picture;
    image_header header{};
    if (HeadDIB(image.get(), &header) == 0) return picture;
    const int width = header_width(header);
    const int height = header_height(header);
    if (width <= 0 || height <= 0) return picture;
    picture.has_size = true;

    const ClientSize client{key.client_width, key.client_height};
    double scale = key.scale;
    if (key.scale_from_mode) {
        picture.scale = scale_of_size_mode(client, key.psize, width, height);
        if (picture.scale) scale = *picture.scale;
    }
    const int w = scaled_length(width, scale);
    const int h = scaled_length(height, scale);
    if (w < 1 || h < 1) return picture;
    if (ResizeDIB(image.get(), w, h) == 0) return picture;
    picture.drawn = true;

    // Only the part of the destination inside the client area shows; the
    // library makes no more of the picture than that part either.
    const QRect visible = QRect(0, 0, client.width, client.height) & QRect(kImageLeft, kImageTop, w, h);
    if (visible.isEmpty()) return picture;
    QImage pixels(visible.size(), QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::transparent);
    {
        QPainter dc(&pixels);
        dc.translate(-visible.topLeft());
        if (DIBtoDCex2(&dc, kImageLeft, kImageTop, w, h, image.get(), 0, 0, w, h, SRCCOPY, 1) == 0) return picture;
    }
    picture.pixels = std::move(pixels);
    picture.at = visible.topLeft();
    return picture;
}

bool file_unchanged(const PreparedPicture& picture) {
    if (!picture.identity) return false;
    const std::optional<FileIdentity> now = path_file_identity(picture.key.path.c_str());
    return now && *now == *picture.identity;
}

bool painter_fits(const PreparedPicture& picture, QPainter* dc) {
    if (dc == nullptr || !dc->isActive() || dc->device() == nullptr) return false;
    const QPaintDevice* device = dc->device();
    return device->width() == picture.key.client_width && device->height() == picture.key.client_height &&
           !dc->hasClipping() && dc->combinedTransform().isIdentity();
}

void show_prepared(const PreparedPicture& picture, ViewState& view, int32_t index, QPainter* dc) {
    if (!picture.has_size) return;
    if (picture.scale) view.scale = *picture.scale;
    if (!picture.drawn) return;
    if (!picture.pixels.isNull()) {
        dc->save();
        // Opaque where the library drew, so those pixels replace the
        // canvas's; transparent elsewhere, which keeps what was there.
        dc->setCompositionMode(QPainter::CompositionMode_SourceOver);
        dc->drawImage(picture.at, picture.pixels);
        dc->restore();
    }
    view.scale_fixed = true;
    view.display_no = index + 1;
}

}  // namespace tervo
