// Choosing the image folder and filling the file table from it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/app_state.h"
#include "core/platform.h"

namespace tervo {

// Lets the user choose the folder (the chooser opens on the current one) and
// scans it; a cancelled chooser shows "キャンセルしました。".
void browse_folder(AppState& app, Platform& platform);

// The folder the chooser starts on: the current folder, passed on unchanged.
std::string browse_callback(const AppState& app);

// Rebuilds the file table from `folder` and `file_select`; leaves the show
// Stopped with no image chosen. Does nothing while `folder` is empty.
void rescan_folder(AppState& app, Platform& platform);

// Appends the names matching pattern 1..4 (bmp, jpg, gif, png) to the table
// from index `first_free`, up to the table's 1024 names; any other pattern
// number looks for the folder entry itself. Returns the new number of names.
int scan_extension(AppState& app, int pattern, int first_free);

// Appends the names ending in any of `extensions` (".webp", letter case
// ignored), in one name order, from index `first_free` up to the table's
// 1024 names. For the types outside the filter's patterns, listed only when
// a picture of theirs is opened from outside. Returns the new number.
int scan_extensions(AppState& app, const std::vector<std::string_view>& extensions, int first_free);

// Whether a scan with pattern 1..4 lists `name`: by its extension, letter
// case ignored (".jpg", ".jpeg", ".jpe" and ".jfif" for JPEG).
bool name_matches_pattern(std::string_view name, int pattern);

// Whether `name` ends in any of `extensions`, letter case ignored.
bool ends_with_any(std::string_view name, const std::vector<std::string_view>& extensions);

}  // namespace tervo
