// Opens the tool windows (settings, sort, conversion, animated GIF, About)
// for the main window's commands.
#pragma once

#include "core/app_state.h"
#include "core/platform.h"

class QWidget;

namespace tervo {

void run_tool_window(AppState& app, Platform& platform, QWidget* owner, ToolWindow which);

}  // namespace tervo
