// The main window's paint routine, where the show moves: every paint steps
// the current index by the play state, then loads, turns, converts, scales
// and draws that image below the toolbar, and refreshes the status bar.
#pragma once

#include <optional>

#include "core/app_state.h"
#include "core/platform.h"
#include "imagelib/shown_picture.h"

class QPainter;

namespace tervo {

class PictureAhead;

// Paints the main window's client area through `dc`. The image file is read
// again on every paint, unless `ahead` holds it prepared from the same file,
// unchanged, for the same view; nothing else is kept between paints.
void paint_slideshow(AppState& app, Platform& platform, QPainter* dc, PictureAhead* ahead = nullptr);

// The factor that fits an image of width x height into the client area.
double fit_scale(Platform& platform, int width, int height);

// The magnification of size mode `psize` for an image of width x height (as
// turned); nothing for an unknown mode, which keeps the current one.
std::optional<double> scale_of_size_mode(Platform& platform, int32_t psize, int width, int height);

}  // namespace tervo
