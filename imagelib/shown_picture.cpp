#include "imagelib/shown_picture.h"

#include <QPainter>

#include <cmath>
#include <limits>

namespace tervo {

double fit_scale(ClientSize client, int width, int height) {
    const double fx = static_cast<double>(client.width - kFitMarginWidth) / width;
    const double fy = static_cast<double>(client.height - kFitMarginHeight) / height;
    return fx < fy ? fx : fy;
}

std::optional<double> scale_of_size_mode(ClientSize client, int32_t psize, int width, int height) {
    static constexpr double kFixedFactors[] = {1.0, 0.0, 0.5, 0.75, 1.25, 1.5, 1.75, 2.0};
    if (psize < 0 || psize > 7) return std::nullopt;
    if (psize == 1) return fit_scale(client, width, height);
    return kFixedFactors[psize];
}

int scaled_length(int length, double scale) {
    const double exact = std::trunc(static_cast<double>(length) * scale);
    // Sizes beyond what an int holds cannot be drawn; report them as nothing.
    if (!(exact > 0.0) || exact > std::numeric_limits<int>::max()) return 0;
    return static_cast<int>(exact);
}

namespace {

// A logical length in device pixels: at least one for a drawn picture.
int device_length(int logical, double ratio) {
    if (ratio == 1.0) return logical;
    const double exact = std::round(static_cast<double>(logical) * ratio);
    if (!(exact >= 1.0)) return 1;
    return exact > std::numeric_limits<int>::max() ? 0 : static_cast<int>(exact);
}

QRect device_rect(QRect logical, double ratio) {
    if (ratio == 1.0) return logical;
    const QRectF scaled(logical.x() * ratio, logical.y() * ratio, logical.width() * ratio, logical.height() * ratio);
    return scaled.toAlignedRect();
}

}  // namespace

ShownPicture show_picture(Image image, const ShowRules& rules) {
    ShownPicture picture;
    if (!image) return picture;
    if (rules.rotation != 0 && TurnDIB(image.get(), rules.rotation * 90) == 0) return picture;
    if (DIBto24Bit(image.get()) == 0) return picture;
    image_header header{};
    if (HeadDIB(image.get(), &header) == 0) return picture;
    const int width = header_width(header);
    const int height = header_height(header);
    if (width <= 0 || height <= 0) return picture;
    picture.has_size = true;

    double scale = rules.scale;
    if (rules.size_mode) {
        picture.mode_scale = scale_of_size_mode(rules.client, *rules.size_mode, width, height);
        if (picture.mode_scale) scale = *picture.mode_scale;
    }
    picture.size = QSize(scaled_length(width, scale), scaled_length(height, scale));
    if (picture.size.width() < 1 || picture.size.height() < 1) return picture;
    // Every number of the view is logical; only the resample sees device pixels.
    picture.device_size = QSize(device_length(picture.size.width(), rules.device_ratio),
                                device_length(picture.size.height(), rules.device_ratio));
    if (picture.device_size.isEmpty()) return picture;
    if (ResizeDIB(image.get(), picture.device_size.width(), picture.device_size.height()) == 0) return picture;
    picture.drawn = true;
    picture.image = std::move(image);
    return picture;
}

VisiblePart visible_part(const ShownPicture& picture, QRect visible, double device_ratio) {
    VisiblePart part;
    if (!picture.drawn) return part;
    const QRect logical = visible & QRect(QPoint(kImageLeft, kImageTop), picture.size);
    if (logical.isEmpty()) return part;
    const QPoint origin = device_rect(QRect(kImageLeft, kImageTop, 1, 1), device_ratio).topLeft();
    const QRect placed(origin, picture.device_size);
    const QRect area = device_rect(logical, device_ratio) & placed;
    if (area.isEmpty()) return part;

    // Only this part is made: the library makes no more of the picture than
    // what lands inside it, however far the picture is zoomed.
    QImage pixels(area.size(), QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::transparent);
    {
        QPainter dc(&pixels);
        dc.translate(-area.topLeft());
        if (DIBtoDCex2(&dc, placed.x(), placed.y(), placed.width(), placed.height(), picture.image.get(), 0, 0,
                       placed.width(), placed.height(), SRCCOPY, 1) == 0)
            return part;
    }
    pixels.setDevicePixelRatio(device_ratio);
    part.pixels = std::move(pixels);
    part.at = QPointF(area.x() / device_ratio, area.y() / device_ratio);
    return part;
}

}  // namespace tervo
