// Loading and saving "Tervo.ini" as the program does: through the settings
// file of core/, with "ﾌｧｲﾙが開けません" in a message box and the reason on
// stderr when the file cannot be opened, read or written.
#pragma once

#include "core/app_state.h"
#include "core/platform.h"

namespace tervo {

// Reads the settings file in the start directory (creating it empty when
// missing) into the record.
void load_settings(AppState& app, Platform& platform, WindowHandle owner, const char* file_name);

// Writes it; false (after the message) when nothing could be saved.
[[nodiscard]] bool save_settings(AppState& app, Platform& platform, WindowHandle owner, const char* file_name);

}  // namespace tervo
