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

// The pages the help commands open.
std::string help_page_url();
std::string home_page_url();

}  // namespace tervo
