// Carries out the main window's commands: menu items and toolbar buttons.
#pragma once

#include <cstdint>
#include <string>

#include "core/app_state.h"
#include "core/platform.h"

namespace tervo {

// Runs the command `id` (app/command_ids.h); unknown ids do nothing.
void handle_command(AppState& app, Platform& platform, int id);

// The view commands of the toolbar (the tests use them directly).
void rotate_view(AppState& app, Platform& platform);
void zoom_in(AppState& app, Platform& platform);
void zoom_out(AppState& app, Platform& platform);

// What the main window's keys add to the toolbar, each made of the toolbar's
// own commands so that every rule and message stays the same:
// - play forward, or stop while playing (Space);
void play_or_stop(AppState& app, Platform& platform);
// - a step onto the first / last picture, Stopped on it (Home / End).
void step_to_first(AppState& app, Platform& platform);
void step_to_last(AppState& app, Platform& platform);

// The pages the help commands open.
std::string help_page_url();
std::string home_page_url();

}  // namespace tervo
