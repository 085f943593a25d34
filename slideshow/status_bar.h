// The main window's eight-part status bar.
#pragma once

#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/platform.h"

namespace tervo {

// Right edges of the eight parts, in pixels from the bar's left edge.
const std::vector<int>& status_bar_edges();

// The eight texts for the record as it stands.
std::vector<std::string> status_bar_texts(const AppState& app);

// For each part, texts at least as wide as any text the part can show, so
// that a bar can size its parts once from its font. A number is written with
// one digit throughout, for each of the ten digits in turn: the widest of
// these is at least as wide as any number of that length. The folder and file
// parts show the user's paths, whose length has no bound: their lists are empty.
std::vector<std::vector<std::string>> status_bar_widest_texts();

// Rebuilds the status bar from the record.
void refresh_status_bar(AppState& app, Platform& platform);

}  // namespace tervo
