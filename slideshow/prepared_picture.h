// One picture made as the paint draws it, with the pixels kept to be put on
// the canvas: ahead of time on a worker thread, or by the paint itself.
#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>

#include <cstdint>
#include <optional>
#include <string>

#include "core/app_state.h"
#include "core/platform.h"
#include "imagelib/file_identity.h"
#include "imagelib/imgctl.h"

class QPainter;

namespace tervo {

// Everything the paint's result depends on besides the file's content.
struct PictureKey {
    std::string path;
    int32_t rotation = 0;
    // The scale comes from the size mode `psize` (scale_fixed clear and a
    // known mode); otherwise the paint uses `scale` as it stands.
    bool scale_from_mode = false;
    int32_t psize = 0;
    double scale = 0;
    int client_width = 0;
    int client_height = 0;
    double device_ratio = 1.0;  // of the device drawn on

    bool operator==(const PictureKey&) const = default;
};

// The key of the picture at `index` of the file table, with the view as it
// stands except for `scale_fixed`, given apart: a picture prepared for a
// later paint is made for the flag that paint will see.
PictureKey picture_key(const AppState& app, ClientSize client, int32_t index, bool scale_fixed, double device_ratio);

// What one paint does for a key: what it draws and what it stores.
struct PreparedPicture {
    PictureKey key;
    // The file read, as its descriptor showed it; nothing when the file did
    // not load or changed too recently to be told apart from a rewrite
    // (such a picture is never used: the paint loads the file itself).
    std::optional<FileIdentity> identity;
    bool has_size = false;        // the image has a width and height of at least one
    std::optional<double> scale;  // the scale the size mode established
    bool drawn = false;           // scaled to at least one pixel: the paint draws and counts it
    // What lands on the canvas (opaque where drawn, transparent elsewhere),
    // in device pixels tagged with the key's ratio, with its top-left corner
    // at `at` (logical); null when nothing shows.
    QImage pixels;
    QPointF at;
};

// Runs the paint's chain for the key, on any thread; touches no record and
// no platform.
PreparedPicture prepare_picture(const PictureKey& key);

// The chain itself on an image loaded from the key's path, keeping the part
// that falls inside `visible` (logical pixels); no identity is taken.
PreparedPicture render_picture(const PictureKey& key, Image image, QRect visible);

// The device pixel ratio of the painter's device (1 without a device).
double device_ratio(const QPainter* dc);
// The part of the painter's logical coordinates that can change a pixel:
// its device, less what its clip leaves out.
QRect visible_area(const QPainter* dc);

// Whether the file at the key's path is still the one the picture was made
// from (same device, inode, size, modification and change time).
bool file_unchanged(const PreparedPicture& picture);

// Whether the painter draws on a device of the key's client size and ratio,
// without clip or transformation, as the picture was made for.
bool painter_fits(const PreparedPicture& picture, QPainter* dc);

// Does what the paint would do with the picture: draws it and stores the
// scale, scale_fixed and display_no (`index` + 1) as the paint would.
void show_prepared(const PreparedPicture& picture, ViewState& view, int32_t index, QPainter* dc);

}  // namespace tervo
