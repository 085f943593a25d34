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

}  // namespace tervo
