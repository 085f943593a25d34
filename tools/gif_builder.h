// The animated-GIF builder "GIFアニメション作成": a list of up to 99 image
// files in the order added, written as one looping animated GIF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/app_state.h"
#include "core/platform.h"

namespace tervo {

// A directory part this long or longer adds nothing: it would not fit the
// program's folder.
constexpr std::size_t kMaxInsertDirectoryBytes = 256;

// Shown when a selection goes past the 99-frame cap; the frames up to the cap
// are kept.
inline constexpr const char* kTooManyFramesText = "ファイルは９９個まで設定できます";

// Empties the frame list, resets the default delay and returns the time
// text the dialog starts with ("1.0s").
std::string gif_dialog_init(AppState& app);

// Insert: asks for image files (filters by file_select), makes their
// directory the program's folder (without rescanning it) and appends the
// files to the frame list, each with its own folder, up to 99 (saying so
// when some are left out). Returns the bare names added, for the list box;
// nothing when cancelled or when the directory is too long.
std::vector<std::string> gif_insert(AppState& app, Platform& platform, WindowHandle dialog);

// Delete: empties the frame list.
void gif_delete(AppState& app);

// Save: asks for the output name and writes the frames, in the order they
// were added, each shown for the time of `time_text` ("1.5s" is 150
// hundredths). Reports the outcome in message boxes owned by `dialog`.
void gif_save(AppState& app, Platform& platform, WindowHandle dialog, std::string_view time_text);

}  // namespace tervo
