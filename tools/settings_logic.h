// The settings dialog "環境設定": the texts it starts with and how it reads
// them back into file_select, pl_timeno and psize.
#pragma once

#include <array>
#include <string>

#include "core/app_state.h"

namespace tervo {

inline constexpr std::array<const char*, 5> kFileTypeEntries = {
    "0:ALL(BJGP)", "1:Bitmap", "2:JPEG", "3:GIF", "4:PNG",
};

inline constexpr std::array<const char*, 8> kSizeEntries = {
    "0:原本", "1:ﾌｨｯﾄ", "2:0.50倍", "3:0.75倍", "4:1.25倍", "5:1.50倍", "6:1.75倍", "7:2.00倍",
};

// The edit texts of the three combo boxes (UTF-8).
struct SettingsTexts {
    std::string file_type;
    std::string display_time;
    std::string size;
};

// What the dialog shows when it opens: the entries for the record's values
// ("0:ALL(BJGP)" and "0:原本" for values out of range) and the interval
// as "%d.%ds", which need not be a list entry.
SettingsTexts settings_dialog_init(const AppState& app);

// OK: file type and size from their first character (clamped to 0..4 and
// 0..7), the interval from characters 0 and 2 times 100, unclamped.
void settings_dialog_apply(AppState& app, const SettingsTexts& texts);

}  // namespace tervo
