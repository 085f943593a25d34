#include "app/commands.h"

#include "app/command_ids.h"
#include "app/help_page.h"
#include "slideshow/folder_scan.h"
#include "slideshow/playback.h"

namespace tervo {
namespace {

constexpr const char* kProcedureTitle = "操作手順";

// Zoom and rotate show at once only while the show stands still; during play
// the next tick shows them (a zoom is replaced there by the size mode).
void repaint_if_stopped(AppState& app, Platform& platform) {
    if (app.view.play_state == PlayState::Stopped) platform.repaint(true);
}

void open_conversion(AppState& app, Platform& platform) {
    const ViewState& view = app.view;
    if (view.play_state == PlayState::Initial) {
        platform.message_box(platform.main_window(), "フォルダを先に指定して下さい。", kProcedureTitle,
                             MessageIcon::None);
        return;
    }
    if (view.current_index < 0 || view.current_index > app.files.file_count - 1) {
        platform.message_box(platform.main_window(), "絵を表示させて下さい。", kProcedureTitle, MessageIcon::None);
        return;
    }
    platform.open_tool_window(ToolWindow::Conversion);
}

void open_page(Platform& platform, const std::string& url) {
    if (!platform.open_url(url))
        platform.message_box(platform.main_window(), "Internet Explorerが見つかりませんでした。", "残念！",
                             MessageIcon::None);
}

}  // namespace

void rotate_view(AppState& app, Platform& platform) {
    int32_t& rotation = app.view.rotation;
    rotation = rotation >= 3 ? 0 : rotation + 1;
    platform.discard_prepared_pictures();
    repaint_if_stopped(app, platform);
}

// The zoom works on quarters of the scale, so each step is 0.25; it stops at
// 4.0 going up and at 0.25 going down, starting from whatever scale is.
void zoom_in(AppState& app, Platform& platform) {
    double quarters = app.view.scale * 4;
    if (!(quarters >= 16)) quarters = quarters + 1;
    app.view.scale = quarters * 0.25;
    platform.discard_prepared_pictures();
    repaint_if_stopped(app, platform);
}

void zoom_out(AppState& app, Platform& platform) {
    double quarters = app.view.scale * 4;
    if (quarters > 1) quarters = quarters - 1;
    app.view.scale = quarters * 0.25;
    platform.discard_prepared_pictures();
    repaint_if_stopped(app, platform);
}

void play_or_stop(AppState& app, Platform& platform) {
    const PlayState state = app.view.play_state;
    if (state == PlayState::PlayForward || state == PlayState::PlayBackward)
        stop_play(app, platform);
    else
        play_forward(app, platform);
}

// The step wraps from the picture before the first one (and back from the
// one after the last), so it lands on the end asked for with every rule of a
// step; before any folder it gives the step's message and moves nothing.
void step_to_first(AppState& app, Platform& platform) {
    if (app.view.play_state != PlayState::Initial) app.view.current_index = -1;
    step_forward(app, platform);
}

void step_to_last(AppState& app, Platform& platform) {
    if (app.view.play_state != PlayState::Initial) app.view.current_index = 0;
    step_backward(app, platform);
}

std::string help_page_url() { return file_url(find_help_page()); }
std::string home_page_url() { return file_url(find_help_page()) + "#maker"; }

void handle_command(AppState& app, Platform& platform, int id) {
    switch (id) {
    case cmd_open:
    case tb_folder: browse_folder(app, platform); break;
    case cmd_play_forward:
    case tb_play_forward: play_forward(app, platform); break;
    case cmd_play_backward:
    case tb_play_backward: play_backward(app, platform); break;
    case cmd_step_forward:
    case tb_step_forward: step_forward(app, platform); break;
    case cmd_step_backward:
    case tb_step_backward: step_backward(app, platform); break;
    case cmd_stop:
    case tb_stop: stop_play(app, platform); break;
    case tb_rotate: rotate_view(app, platform); break;
    case tb_zoom_in: zoom_in(app, platform); break;
    case tb_zoom_out: zoom_out(app, platform); break;
    case cmd_settings:
    case tb_settings: platform.open_tool_window(ToolWindow::Settings); break;
    case tb_sort: platform.open_tool_window(ToolWindow::Sort); break;
    case cmd_gif_anim: platform.open_tool_window(ToolWindow::GifBuilder); break;
    case cmd_convert: open_conversion(app, platform); break;
    case cmd_about: platform.open_tool_window(ToolWindow::About); break;
    case cmd_help:
    case tb_help: open_page(platform, help_page_url()); break;
    case cmd_home_page: open_page(platform, home_page_url()); break;
    case cmd_exit:
    case tb_exit: platform.close_main_window(); break;
    default: break;
    }
}

}  // namespace tervo
