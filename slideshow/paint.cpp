#include "slideshow/paint.h"

#include <cmath>
#include <limits>
#include <string>

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

// Loads, turns, converts, scales and draws the image at current_index. A file
// that does not load, a step the library refuses, an image without a size and
// a scaled size below one pixel draw nothing and leave display_no and
// scale_fixed as they were.
void draw_current_image(AppState& app, Platform& platform, QPainter* dc) {
    ViewState& view = app.view;
    const auto& name = app.files.file_names[static_cast<std::size_t>(view.current_index)];
    const std::string path = join_path(text_of(app.settings.folder), text_of(name));

    const Image image = Image::load(path.c_str());
    if (!image) return;
    if (view.rotation != 0 && TurnDIB(image.get(), view.rotation * 90) == 0) return;
    if (DIBto24Bit(image.get()) == 0) return;
    image_header header{};
    if (HeadDIB(image.get(), &header) == 0) return;
    const int width = header_width(header);
    const int height = header_height(header);
    if (width <= 0 || height <= 0) return;

    if (!view.scale_fixed) {
        if (auto scale = scale_of_size_mode(platform, app.settings.psize, width, height)) view.scale = *scale;
    }
    const int w = scaled_length(width, view.scale);
    const int h = scaled_length(height, view.scale);
    if (w < 1 || h < 1) return;

    if (ResizeDIB(image.get(), w, h) == 0) return;
    // Pixels that turn out damaged only now draw nothing; the image still
    // counts as shown, so the show moves on past it.
    DIBtoDCex2(dc, kImageLeft, kImageTop, w, h, image.get(), 0, 0, w, h, SRCCOPY, 1);
    view.scale_fixed = true;
    view.display_no = view.current_index + 1;
}

}  // namespace

double fit_scale(Platform& platform, int width, int height) { return fit_scale(platform.client_size(), width, height); }

double fit_scale(ClientSize client, int width, int height) {
    const double fx = static_cast<double>(client.width - kFitMarginWidth) / width;
    const double fy = static_cast<double>(client.height - kFitMarginHeight) / height;
    return fx < fy ? fx : fy;
}

std::optional<double> scale_of_size_mode(Platform& platform, int32_t psize, int width, int height) {
    if (psize != 1) return scale_of_size_mode(ClientSize{}, psize, width, height);
    return fit_scale(platform, width, height);
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

void paint_slideshow(AppState& app, Platform& platform, QPainter* dc, PictureAhead* ahead) {
    ViewState& view = app.view;
    step_index(view, app.files.file_count);

    if (!is_known_state(view.play_state)) {
        platform.stop_play_timer();
    } else {
        std::optional<PreparedPicture> prepared;
        if (ahead != nullptr) prepared = take_prepared(*ahead, app, platform);
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
