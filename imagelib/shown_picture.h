// A picture as the show draws it: loaded, turned, made 24-bit, scaled by the
// view's rules and resampled to its size in device pixels. The paint, the
// pictures prepared ahead and the file conversion all make their pictures
// here, so that what is saved and what is drawn never differ.
#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <optional>

#include "core/platform.h"
#include "imagelib/imgctl.h"

namespace tervo {

// Where the image's top-left corner goes in the client area (below the
// toolbar), in logical pixels.
inline constexpr int kImageLeft = 0;
inline constexpr int kImageTop = 44;
// What the fit leaves free of the client area: toolbar and status bar.
inline constexpr int kFitMarginWidth = 10;
inline constexpr int kFitMarginHeight = 65;

// The factor that fits an image of width x height into the client area.
double fit_scale(ClientSize client, int width, int height);

// The magnification of size mode `psize` for an image of width x height (as
// turned); nothing for an unknown mode, which keeps the current one.
std::optional<double> scale_of_size_mode(ClientSize client, int32_t psize, int width, int height);

// Image size times scale, truncated toward zero (249.75 gives 249).
int scaled_length(int length, double scale);

// What decides how a picture is shown.
struct ShowRules {
    int32_t rotation = 0;              // quarter turns clockwise
    std::optional<int32_t> size_mode;  // the scale comes from this mode when set...
    double scale = 0;                  // ...else this one is used as it stands
    ClientSize client;                 // logical pixels
    double device_ratio = 1.0;         // device pixels per logical pixel
};

struct ShownPicture {
    // Turned, 24-bit and resized to `device_size`; kept only when `drawn`.
    Image image;
    bool has_size = false;             // turned and flattened, at least 1x1
    std::optional<double> mode_scale;  // the scale the size mode established
    QSize size;                        // scaled size in logical pixels
    QSize device_size;                 // the same in device pixels
    bool drawn = false;                // resized to at least one pixel
};

// Runs the chain on `image` (which it takes over), stopping at the first
// step the library refuses; says with `has_size` and `drawn` how far it got.
ShownPicture show_picture(Image image, const ShowRules& rules);

// The part of a drawn picture that falls inside `visible` (logical pixels),
// made in device pixels and tagged with the ratio, so that drawn at `at` it
// lands one to one on a device of that ratio. Null pixels when nothing of it
// shows or its pixels turn out damaged.
struct VisiblePart {
    QImage pixels;
    QPointF at;
};
VisiblePart visible_part(const ShownPicture& picture, QRect visible, double device_ratio);

}  // namespace tervo
