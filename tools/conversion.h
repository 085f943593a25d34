// File conversion "ファイル変換": saves the image on show, turned by the
// view's rotation and scaled by its scale, as a BMP, JPEG, GIF or PNG file.
#pragma once

#include <array>
#include <string>

#include "core/app_state.h"
#include "core/platform.h"

namespace tervo {

inline constexpr std::array<const char*, 4> kOutputTypeEntries = {
    "1:Bitmap", "2:JPEG", "3:GIF", "4:PNG",
};

// The dialog's fields: the type combo's edit text, the quality edit text
// and the usage-switch check box.
struct ConversionFields {
    std::string output_type;
    std::string quality;
    bool usage_switch = false;
};

// The fields as the dialog opens, from the remembered conversion options.
ConversionFields conversion_dialog_init(const AppState& app);

// Remembers the fields: type from its first character clamped to 1..4,
// quality read as a decimal clamped to 1..100, the switch as 0 or 1.
void read_conversion_options(AppState& app, const ConversionFields& fields);

// The save button: remembers the fields, asks for the output name (the
// dialog asks before replacing a file) and writes the shown image, turned
// and scaled as shown. Reports the outcome in a message box owned by
// `dialog`; a cancelled save dialog writes nothing and says nothing.
void conversion_save(AppState& app, Platform& platform, WindowHandle dialog, const ConversionFields& fields);

}  // namespace tervo
