// The program's life: start-up, the event loop and the saving of the settings.
#pragma once

#include <string>
#include <vector>

#include "core/app_state.h"

class QApplication;

namespace tervo {

// Creates and shows the main window (which reads the settings and scans the
// saved folder), remembers the launch directory, runs the loop until the main
// window is closed, then writes the settings into the launch directory.
// A folder or picture given on the command line is opened instead of the
// saved folder. Returns the loop's exit code.
int run_tervo(QApplication& application, AppState& app, const std::vector<std::string>& given_paths = {});

}  // namespace tervo
