// The main window's eight-part status bar.
#pragma once

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/platform.h"

namespace tervo {

// Right edges of the eight parts, in pixels from the bar's left edge.
const std::vector<int>& status_bar_edges();

// The eight texts for the record as it stands.
std::vector<std::string> status_bar_texts(const AppState& app);

// Rebuilds the status bar from the record.
void refresh_status_bar(AppState& app, Platform& platform);

}  // namespace tervo
