#include "slideshow/playback.h"

#include <limits>

#include "slideshow/status_bar.h"

namespace tervo {
namespace {

constexpr int kShortestTimerPeriod = 10;

// Play and step commands need a scanned folder.
bool refuse_before_scan(AppState& app, Platform& platform) {
    if (app.view.play_state != PlayState::Initial) return false;
    platform.message_box(platform.main_window(), "フォルダを先に指定して下さい。", "操作手順", MessageIcon::None);
    return true;
}

void start_continuous(AppState& app, Platform& platform, PlayState direction) {
    if (refuse_before_scan(app, platform)) return;
    // The timer runs from a play command given in Stopped; switching
    // direction keeps it running with its period and phase.
    if (app.view.play_state == PlayState::Stopped) platform.start_play_timer(app.settings.pl_timeno);
    app.view.play_state = direction;
    app.view.scale_fixed = false;
    platform.repaint(false);  // the first step shows at once, not at the first tick
}

void start_step(AppState& app, Platform& platform, PlayState direction) {
    if (refuse_before_scan(app, platform)) return;
    app.view.play_state = direction;
    app.view.scale_fixed = false;
    platform.repaint(false);
}

}  // namespace

void play_forward(AppState& app, Platform& platform) { start_continuous(app, platform, PlayState::PlayForward); }
void play_backward(AppState& app, Platform& platform) { start_continuous(app, platform, PlayState::PlayBackward); }
void step_forward(AppState& app, Platform& platform) { start_step(app, platform, PlayState::StepForward); }
void step_backward(AppState& app, Platform& platform) { start_step(app, platform, PlayState::StepBackward); }

void stop_play(AppState& app, Platform& platform) {
    const PlayState state = app.view.play_state;
    if (state != PlayState::PlayForward && state != PlayState::PlayBackward) return;
    app.view.play_state = PlayState::Stopped;
    platform.stop_play_timer();
    refresh_status_bar(app, platform);
}

void play_tick(AppState& app, Platform& platform) {
    app.view.scale_fixed = false;
    platform.repaint(false);
}

int effective_timer_period(int32_t pl_timeno) {
    if (pl_timeno < 0) return std::numeric_limits<int>::max();
    return pl_timeno < kShortestTimerPeriod ? kShortestTimerPeriod : pl_timeno;
}

}  // namespace tervo
