#include "tools/settings_logic.h"

#include <algorithm>

#include "tools/dialog_text.h"

namespace tervo {

namespace {

template <std::size_t N>
std::string entry_or_first(const std::array<const char*, N>& entries, int32_t value) {
    return value >= 0 && value < static_cast<int32_t>(N) ? entries[value] : entries[0];
}

}  // namespace

SettingsTexts settings_dialog_init(const AppState& app) {
    return {
        entry_or_first(kFileTypeEntries, app.settings.file_select),
        format_display_time(app.settings.pl_timeno, 1000),
        entry_or_first(kSizeEntries, app.settings.psize),
    };
}

void settings_dialog_apply(AppState& app, const SettingsTexts& texts) {
    app.settings.file_select = std::clamp(read_first_character(texts.file_type), 0, 4);
    app.settings.pl_timeno = read_time_digits(texts.display_time) * 100;
    app.settings.psize = std::clamp(read_first_character(texts.size), 0, 7);
}

}  // namespace tervo
