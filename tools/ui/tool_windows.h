// The tool windows the main window's commands open.
#pragma once

#include "core/app_state.h"
#include "core/platform.h"

class QWidget;

namespace tervo {

// Modal: each returns when its dialog is closed; the show goes on meanwhile.
void run_settings_dialog(AppState& app, Platform& platform, QWidget* owner);
void run_conversion_dialog(AppState& app, Platform& platform, QWidget* owner);
void run_gif_dialog(AppState& app, Platform& platform, QWidget* owner);

// Modeless: opens a further About box and returns it. The box deletes
// itself when closed.
QWidget* open_about_box(QWidget* owner);

}  // namespace tervo
