#include "slideshow/paint.h"

#include "core/diagnostics.h"
#include "imagelib/imgctl.h"
#include "slideshow/picture_ahead.h"
#include "slideshow/status_bar.h"

namespace tervo {
namespace {

// Step 1 of the paint: move the index by the play state, wrapping around.
void step_index(ViewState& view, int32_t file_count) {
    switch (view.play_state) {
    case PlayState::PlayForward:
    case PlayState::StepForward:
        view.current_index = view.current_index < file_count - 1 ? view.current_index + 1 : 0;
        break;
    case PlayState::PlayBackward:
    case PlayState::StepBackward:
        view.current_index = view.current_index > 0 ? view.current_index - 1 : file_count - 1;
        break;
    default:
        break;
    }
}

bool is_known_state(PlayState state) { return state >= PlayState::Stopped && state <= PlayState::StepBackward; }

// Loads and draws the image at current_index the way the pictures prepared
// ahead are made, for the painter's device as it stands.
void draw_current_image(AppState& app, Platform& platform, QPainter* dc) {
    const PictureKey key =
        picture_key(app, platform.client_size(), app.view.current_index, app.view.scale_fixed, device_ratio(dc));
    Image image = Image::load(key.path.c_str());
    if (!image) {
        report_failure("cannot load", key.path, describe(last_image_failure()));
        return;
    }
    const PreparedPicture picture = render_picture(key, std::move(image), visible_area(dc));
    if (picture.drawn && picture.pixels.isNull() && last_image_failure().error == ImageError::DamagedPixels)
        report_failure("cannot draw", key.path, describe(last_image_failure()));
    show_prepared(picture, app.view, app.view.current_index, dc);
}

}  // namespace

void paint_slideshow(AppState& app, Platform& platform, QPainter* dc, PictureAhead* ahead) {
    ViewState& view = app.view;
    step_index(view, app.files.file_count);

    if (!is_known_state(view.play_state)) {
        platform.stop_play_timer();
    } else {
        std::optional<PreparedPicture> prepared;
        if (ahead != nullptr) prepared = take_prepared(*ahead, app, platform, device_ratio(dc));
        if (prepared && file_unchanged(*prepared) && painter_fits(*prepared, dc))
            show_prepared(*prepared, view, view.current_index, dc);
        else if (view.current_index >= 0 && view.current_index < app.files.file_count)
            draw_current_image(app, platform, dc);
        if (view.play_state == PlayState::StepForward || view.play_state == PlayState::StepBackward) {
            view.play_state = PlayState::Stopped;
            // A step taken during continuous play ends it: no ticks in Stopped.
            platform.stop_play_timer();
        }
    }
    refresh_status_bar(app, platform);
}

}  // namespace tervo
