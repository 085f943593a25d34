#include "slideshow/prepared_picture.h"

#include <QPaintDevice>
#include <QPainter>

#include <chrono>

#include "core/byte_string.h"
#include "imagelib/shown_picture.h"

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

PictureKey picture_key(const AppState& app, ClientSize client, int32_t index, bool scale_fixed, double device_ratio) {
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
    key.device_ratio = device_ratio;
    return key;
}

namespace {

PreparedPicture render_picture(const PictureKey& key, Image image, QRect visible, PreparedPicture picture) {
    ShowRules rules;
    rules.rotation = key.rotation;
    if (key.scale_from_mode) rules.size_mode = key.psize;
    rules.scale = key.scale;
    rules.client = ClientSize{key.client_width, key.client_height};
    rules.device_ratio = key.device_ratio;
    const ShownPicture shown = show_picture(std::move(image), rules);
    picture.has_size = shown.has_size;
    picture.scale = shown.mode_scale;
    picture.drawn = shown.drawn;
    VisiblePart part = visible_part(shown, visible, key.device_ratio);
    picture.pixels = std::move(part.pixels);
    picture.at = part.at;
    return picture;
}

bool counts_device_pixels(const QPaintDevice& device) {
    return device.devType() == QInternal::Image || device.devType() == QInternal::Pixmap;
}

// The device's size in logical pixels: a widget counts in them already,
// images and pixmaps count device pixels.
QSize logical_size(const QPaintDevice& device) {
    if (!counts_device_pixels(device)) return QSize(device.width(), device.height());
    const double ratio = device.devicePixelRatioF();
    return QSize(qRound(device.width() / ratio), qRound(device.height() / ratio));
}

// The painter's own transformation: on an image or pixmap of a ratio other
// than 1, Qt scales by the ratio as well, which is not ours.
QTransform logical_transform(const QPainter& dc) {
    const double ratio = dc.device()->devicePixelRatioF();
    if (ratio == 1.0 || !counts_device_pixels(*dc.device())) return dc.combinedTransform();
    return dc.combinedTransform() * QTransform::fromScale(1 / ratio, 1 / ratio);
}

}  // namespace

PreparedPicture render_picture(const PictureKey& key, Image image, QRect visible) {
    PreparedPicture picture;
    picture.key = key;
    return render_picture(key, std::move(image), visible, std::move(picture));
}

double device_ratio(const QPainter* dc) {
    return dc != nullptr && dc->device() != nullptr ? dc->device()->devicePixelRatioF() : 1.0;
}

QRect visible_area(const QPainter* dc) {
    if (dc == nullptr || dc->device() == nullptr) return {};
    QRect area(QPoint(0, 0), logical_size(*dc->device()));
    const QTransform transform = logical_transform(*dc);
    if (!transform.isIdentity()) {
        bool invertible = false;
        const QTransform back = transform.inverted(&invertible);
        if (!invertible) return {};
        area = back.mapRect(QRectF(area)).toAlignedRect();
    }
    if (dc->hasClipping()) area &= dc->clipBoundingRect().toAlignedRect();
    return area;
}

PreparedPicture prepare_picture(const PictureKey& key) {
    PreparedPicture picture;
    picture.key = key;
    const auto read_from = std::chrono::system_clock::now();
    Image image = Image::load(key.path.c_str());
    if (!image) return picture;
    picture.identity = image_file_identity(image.get());
    if (picture.identity && !settled(*picture.identity, read_from)) picture.identity.reset();
    if (!picture.identity) return picture;

    return render_picture(key, std::move(image), QRect(0, 0, key.client_width, key.client_height), std::move(picture));
}

bool file_unchanged(const PreparedPicture& picture) {
    if (!picture.identity) return false;
    const std::optional<FileIdentity> now = path_file_identity(picture.key.path.c_str());
    return now && *now == *picture.identity;
}

bool painter_fits(const PreparedPicture& picture, QPainter* dc) {
    if (dc == nullptr || !dc->isActive() || dc->device() == nullptr) return false;
    const QSize size = logical_size(*dc->device());
    return size == QSize(picture.key.client_width, picture.key.client_height) &&
           device_ratio(dc) == picture.key.device_ratio && !dc->hasClipping() && logical_transform(*dc).isIdentity();
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
