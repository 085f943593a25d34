// The play state machine: continuous play, single steps, stop and the timer
// tick. Each operation only changes the state and repaints at once; the show
// itself moves in the paint routine (slideshow/paint.h).
#pragma once

#include <cstdint>

#include "core/app_state.h"
#include "core/platform.h"

namespace tervo {

// Continuous play forwards / backwards. Refused with a message before any
// folder was scanned; starts the play timer when given in Stopped.
void play_forward(AppState& app, Platform& platform);
void play_backward(AppState& app, Platform& platform);

// One image forwards / backwards; the paint that shows it ends in Stopped.
void step_forward(AppState& app, Platform& platform);
void step_backward(AppState& app, Platform& platform);

// Ends continuous play; does nothing in any other state.
void stop_play(AppState& app, Platform& platform);

// One tick of the play timer: the size mode is applied afresh and the next
// image shown.
void play_tick(AppState& app, Platform& platform);

// The period the play timer really runs at for `pl_timeno` milliseconds:
// timers cannot run faster than every 10 ms, and a negative period (an edited
// settings file) is taken as the longest one.
int effective_timer_period(int32_t pl_timeno);

}  // namespace tervo
